#include "app/Messages.h"

#include "package/Cp932.h"

std::wstring widen(std::string_view cp932Text) {
    std::u16string wide = cp932::toUtf16(cp932Text);
    return std::wstring(wide.begin(), wide.end());
}

std::wstring joinWide(std::initializer_list<std::wstring_view> pieces) {
    std::size_t n = 0;
    for (auto piece : pieces) n += piece.size();
    std::wstring out;
    out.reserve(n);
    for (auto piece : pieces) out.append(piece);
    return out;
}

int showMessage(HWND owner, std::wstring_view text, std::wstring_view caption, UINT flags) {
    std::wstring t(text), c(caption);
    return MessageBoxW(owner, t.c_str(), c.c_str(), flags);
}

int showMessageCp932(HWND owner, std::string_view text, std::string_view caption, UINT flags) {
    return showMessage(owner, widen(text), widen(caption), flags);
}

void MessageBoxReporter::showMessage(std::string_view text, std::string_view caption) {
    showMessageCp932(owner, text, caption, MB_OK);
}
