#pragma once
// The "INSTALL" copy dialog and the "UNINST" dialog of the Windows program.
#include <windows.h>

#include <string>

// Runs the installation of the loaded package from the Installer State; 1 when installed,
// 0 when cancelled or failed (rolled back).
int runInstallDialog(HWND owner);
// Uninstall mode: confirms and removes the installation this Setup Copy belongs to.
// Returns the dialog result (1 removed, 0 cancelled).
int runUninstallDialog();
// The Start-menu Programs folder as the installer chooses it (all users for an
// administrator), cp932 with a trailing backslash.
std::string startMenuProgramsFolder(HWND owner);
