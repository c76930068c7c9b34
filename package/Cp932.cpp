#include "package/Cp932.h"

namespace cp932 {

std::size_t prefixLength(std::string_view text, std::size_t maxBytes) {
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t width = isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (i + width > maxBytes) break;
        i += width;
    }
    return i;
}

}  // namespace cp932
