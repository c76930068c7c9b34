#pragma once
// Conversion between the program's cp932 strings and the wide strings of the Windows API.
#include "package/Cp932.h"

#include <optional>
#include <string>
#include <string_view>

inline std::wstring toWide(std::string_view cp932Text) {
    std::u16string wide = cp932::toUtf16(cp932Text);
    return std::wstring(wide.begin(), wide.end());
}

// nullopt when a character has no cp932 form.
inline std::optional<std::string> toCp932(std::wstring_view wide) {
    return cp932::fromUtf16(std::u16string(wide.begin(), wide.end()));
}
