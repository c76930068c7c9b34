// cp932 conversion through glibc's iconv.
#include "package/Cp932.h"
#include "package/Utf.h"

#include <cerrno>
#include <iconv.h>

namespace cp932 {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() { if (ok()) iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

// Converts `in`; on a byte sequence it cannot convert it calls onBad(in, left, out), which
// either skips input (returning true) or gives up (false).
template <typename OnBad>
bool convert(const Converter& conv, std::string_view text, std::string& out, OnBad onBad) {
    if (!conv.ok()) return false;
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t r = iconv(conv.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            if (!onBad(in, inLeft, out)) return false;
            iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return true;
}

bool isTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

}  // namespace

std::string toUtf8(std::string_view text) {
    Converter conv("UTF-8", "CP932");
    std::string out;
    out.reserve(text.size() * 3 / 2);
    convert(conv, text, out, [](char*& in, std::size_t& left, std::string& o) {
        std::size_t skip = 1;
        if (left >= 2 && isLeadByte(static_cast<unsigned char>(in[0])) &&
            isTrailByte(static_cast<unsigned char>(in[1])))
            skip = 2;
        in += skip;
        left -= skip;
        o += "\xEF\xBF\xBD";
        return true;
    });
    return out;
}

std::u16string toUtf16(std::string_view text) {
    return utf::toUtf16(toUtf8(text)).value_or(std::u16string());
}

std::optional<std::string> fromUtf8(std::string_view utf8) {
    Converter conv("CP932", "UTF-8");
    std::string out;
    if (!convert(conv, utf8, out, [](char*&, std::size_t&, std::string&) { return false; }))
        return std::nullopt;
    // iconv maps a few characters one way only (U+00A5 to 0x5C, a backslash): refuse them,
    // so that no character turns into a path separator or another character.
    if (toUtf8(out) != utf8) return std::nullopt;
    return out;
}

std::optional<std::string> fromUtf16(std::u16string_view utf16) {
    auto utf8 = utf::toUtf8(utf16);
    if (!utf8) return std::nullopt;
    return fromUtf8(*utf8);
}

}  // namespace cp932
