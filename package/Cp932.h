#pragma once
// Conversion between code page 932 (Shift-JIS as Windows has it) and Unicode.
// Every stored format keeps cp932 bytes; text is converted only at the edges.
#include <optional>
#include <string>
#include <string_view>

namespace cp932 {

// Bytes that are not valid cp932 become U+FFFD.
std::string toUtf8(std::string_view text);
std::u16string toUtf16(std::string_view text);
// nullopt when a character has no cp932 form.
std::optional<std::string> fromUtf8(std::string_view utf8);
std::optional<std::string> fromUtf16(std::u16string_view utf16);

// True for the first byte of a double-byte character (0x81-0x9F, 0xE0-0xFC).
constexpr bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
// The longest prefix of at most maxBytes bytes that does not split a double-byte character.
std::size_t prefixLength(std::string_view text, std::size_t maxBytes);

}  // namespace cp932
