#pragma once
// The modal settings dialogs of the install flow and the free-space query.
#include <windows.h>

#include <cstdint>
#include <string>

// "INSTSET": 1 for OK, 0 for Cancel. Reads and writes the Installer State.
int runSettingsDialog(HWND owner);
// "INSTMODE": 1 for "インストール開始", 0 for Cancel.
int runConfirmDialog(HWND owner);
// "TREEDIRDLG": may change installBaseFolder; always returns 1.
int runFolderBrowser(HWND owner);
// Free space in KB of the volume holding the cp932 path; saturates at 0xFFFFFFFF; 0 on failure.
std::uint32_t queryFreeSpaceKb(const std::string& path);
