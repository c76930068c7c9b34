#pragma once
// The main controller window "TolmarInst-MainClass": splash, package poll, menu and the
// commands of the install flow.
#include <windows.h>

constexpr const wchar_t* kMainClassName = L"TolmarInst-MainClass";
constexpr const wchar_t* kMainWindowCaption = L"Installer";
constexpr DWORD kMainWindowStyle = WS_POPUP | WS_BORDER | WS_DLGFRAME | WS_SYSMENU;

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Releases what the package load and the wizard made and posts the quit message.
void cleanupController();
