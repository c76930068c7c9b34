#pragma once
// UTF-8 and UTF-16 conversion, strict both ways: malformed input gives nullopt.
#include <optional>
#include <string>
#include <string_view>

namespace utf {

std::optional<std::u16string> toUtf16(std::string_view utf8);
std::optional<std::string> toUtf8(std::u16string_view utf16);

}  // namespace utf
