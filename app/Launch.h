#pragma once
// Starting the installed game.
#include <windows.h>

// Starts "<base><gameName>\tolmar.exe <gameName> <gameTitle>" in the game folder, from the
// registry's install folder. Results are not reported.
void startInstalledGame();
// Opens the Start-menu launch shortcut of the just installed game.
void openLaunchShortcut(HWND owner);
