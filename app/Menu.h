#pragma once
// Hover and press of the main window's two picture buttons.
#include <windows.h>

void menuMouseMove(HWND window, int x, int y);
// The release point is hit-tested first: a click may come with no move before it, when the
// menu became ready under a cursor that has not moved since.
void menuButtonUp(HWND window, int x, int y);
// Shows the hover frame of a button that is already under the cursor.
void menuHoverAtCursor(HWND window);
