// cp932 conversion through the system's code page 932 tables.
#include "package/Cp932.h"
#include "package/Utf.h"

#include <windows.h>

namespace cp932 {

namespace {

constexpr UINT kCodePage = 932;

bool isTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

bool toWide(std::string_view text, std::u16string& out) {
    if (text.empty()) { out.clear(); return true; }
    int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                nullptr, 0);
    if (n <= 0) return false;
    out.resize(static_cast<std::size_t>(n));
    return MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                               reinterpret_cast<wchar_t*>(out.data()), n) == n;
}

}  // namespace

std::u16string toUtf16(std::string_view text) {
    std::u16string out;
    if (toWide(text, out)) return out;
    // Some byte is not cp932: convert one character at a time and mark the bad ones.
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        std::size_t width = isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        std::u16string one;
        if (toWide(text.substr(i, width), one)) {
            out += one;
            i += width;
        } else {
            // An unassigned double-byte code is one bad character, as on the other platforms.
            out += u'\xFFFD';
            i += width == 2 && isTrailByte(static_cast<unsigned char>(text[i + 1])) ? 2 : 1;
        }
    }
    return out;
}

std::string toUtf8(std::string_view text) {
    return utf::toUtf8(toUtf16(text)).value_or(std::string());
}

std::optional<std::string> fromUtf16(std::u16string_view utf16) {
    if (utf16.empty()) return std::string();
    const auto* wide = reinterpret_cast<const wchar_t*>(utf16.data());
    int wideLength = static_cast<int>(utf16.size());
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide, wideLength, nullptr, 0, nullptr,
                                &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    if (WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide, wideLength, out.data(), n, nullptr,
                            &usedDefault) != n || usedDefault)
        return std::nullopt;
    // Only characters that come back unchanged count as having a cp932 form.
    if (toUtf16(out) != utf16) return std::nullopt;
    return out;
}

std::optional<std::string> fromUtf8(std::string_view utf8) {
    auto wide = utf::toUtf16(utf8);
    if (!wide) return std::nullopt;
    return fromUtf16(*wide);
}

}  // namespace cp932
