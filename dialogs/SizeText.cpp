#include "dialogs/SizeText.h"

#include <cstdio>
#include <iterator>

namespace {

// cp932 bytes of the fixed texts.
constexpr const char* kShortageMark = " \x97\x65\x97\xCA\x95\x73\x91\xAB!";  // " 容量不足!"
constexpr const char* kAbout = "\x96\xF1";                                  // 約
constexpr const char* kOrMore = "\x88\xC8\x8F\xE3";                         // 以上

}  // namespace

std::string formatGroupedNumber(std::uint32_t value, int unsignedFlag) {
    if (unsignedFlag == 0 && static_cast<std::int32_t>(value) < 0) value = 0u - value;
    char reversed[16];
    int n = 0, digits = 0;
    do {
        if (digits > 0 && digits % 3 == 0) reversed[n++] = ',';
        reversed[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
        ++digits;
    } while (value != 0);
    return std::string(std::make_reverse_iterator(reversed + n), std::make_reverse_iterator(reversed));
}

std::uint32_t kbFromBytes(std::uint64_t bytes) {
    const std::uint64_t kb = bytes >> 10;
    return kb > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kb);
}

bool spaceIsEnough(std::uint64_t installBytes, std::uint32_t freeSpaceKB) {
    return (installBytes >> 10) <= freeSpaceKB;
}

std::string settingsSizeLine(std::uint64_t installBytes, std::uint32_t freeSpaceKB) {
    const std::uint32_t requiredMB = kbFromBytes(installBytes) >> 10;
    return formatGroupedNumber(requiredMB, 0) + " MB / " + formatGroupedNumber(freeSpaceKB >> 10, 0) + " MB " +
           (spaceIsEnough(installBytes, freeSpaceKB) ? "" : kShortageMark);
}

std::string confirmSizeLine(std::uint64_t installBytes) {
    const std::uint32_t requiredKB = kbFromBytes(installBytes);
    return formatGroupedNumber(requiredKB >> 10, 0) + " MB (" + formatGroupedNumber(requiredKB, 0) + " KB)";
}

std::string freeSpaceText(std::uint32_t freeSpaceKB) {
    if (freeSpaceKB == 0) return "Error !";
    const char* unit = "KByte";
    std::uint32_t shown = freeSpaceKB;
    if (freeSpaceKB >= (1u << 30)) unit = "TByte", shown = freeSpaceKB >> 30;
    else if (freeSpaceKB >= (1u << 20)) unit = "GByte", shown = freeSpaceKB >> 20;
    else if (freeSpaceKB >= (1u << 10)) unit = "MByte", shown = freeSpaceKB >> 10;
    char text[48];
    std::snprintf(text, sizeof text, "%s%lu%s%s", kAbout, static_cast<unsigned long>(shown), unit, kOrMore);
    return text;
}
