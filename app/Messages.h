#pragma once
// Message boxes of the Windows program: cp932 texts are converted to UTF-16 here, so
// Japanese shows right whatever the system's code page.
#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "package/Reporter.h"

int showMessage(HWND owner, std::wstring_view text, std::wstring_view caption, UINT flags = MB_OK);
int showMessageCp932(HWND owner, std::string_view text, std::string_view caption, UINT flags = MB_OK);
std::wstring widen(std::string_view cp932Text);
// Concatenates wide pieces in one place (keeps the many call sites small).
std::wstring joinWide(std::initializer_list<std::wstring_view> pieces);

// Shows each message as an OK box owned by `owner` (the picture loaders use caption
// "Vantorel").
struct MessageBoxReporter final : MessageReporter {
    explicit MessageBoxReporter(HWND owner) : owner(owner) {}
    void showMessage(std::string_view text, std::string_view caption) override;
    HWND owner;
};
