#pragma once
// Helpers shared by the main window, the wizard and the dialogs: the message pump step,
// window placement, menu composition and the press animation.
#include <windows.h>

#include "app/InstallerState.h"

// Takes at most one waiting message of the thread, translates and dispatches it; never
// blocks. A WM_QUIT taken here is posted again so that the message loop still ends.
void pumpOneMessage();
// Resizes the window (position and Z order kept) so that its client area is w x h, whatever
// its current size, from the frame its styles give.
void setClientSize(HWND window, int width, int height);
// Moves the window, size and Z order kept, to the middle of the primary screen.
void centreOnScreen(HWND window);
// Shrinks the window to 0 x 0, position and Z order kept.
void shrinkWindow(HWND window);
// Copies the picture into the surface and draws the visible buttons of the first `count`
// records over it, in order. Nothing is drawn when the two do not match in size and depth.
void composeButtons(DrawingSurface& surface, const Picture& picture, const MenuButton* buttons, int count);
// Six steps of at least 100 ms: button `index` pressed on odd steps, normal on even ones,
// recomposed and repainted each time, messages pumped while waiting. Leaves it pressed.
void runPressAnimation(HWND window, DrawingSurface& surface, const Picture& picture, MenuButton* buttons,
                       int count, int index);
// Repaints the whole window at once.
void repaintNow(HWND window);
// True when (x, y) lies in rect, left and top inclusive, right and bottom exclusive.
bool pointInButton(const RECT& rect, int x, int y);
