#include "package/SetupBlock.h"


namespace {

// The tag is kept masked, so that this code does not carry the bytes it searches for:
// the program that links it is itself searched for its Setup Block.
volatile std::uint32_t kMaskedTag = 0x4E445256u ^ 0xA5C3965Au;  // "VRDN" little-endian
volatile std::uint32_t kTagMask = 0xA5C3965Au;

std::uint32_t getU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void putU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool zerosFollow(std::span<const std::uint8_t> image, std::size_t tagAt) {
    if (image.size() - tagAt < 8) return false;
    return getU32(image.data() + tagAt + 4) == 0;
}

}  // namespace

std::int64_t findSetupBlockTag(std::span<const std::uint8_t> image) {
    const std::uint32_t tag = kMaskedTag ^ kTagMask;
    std::int64_t first = -1;
    for (std::size_t i = 8; i + 4 <= image.size(); ++i) {
        if (getU32(image.data() + i) != tag) continue;
        if (zerosFollow(image, i)) return static_cast<std::int64_t>(i);
        if (first < 0) first = static_cast<std::int64_t>(i);
    }
    return first;
}

std::optional<SetupBlock> readSetupBlock(std::span<const std::uint8_t> image) {
    std::int64_t tag = findSetupBlockTag(image);
    if (tag < 8) return std::nullopt;
    const std::uint8_t* p = image.data() + tag - 8;
    return SetupBlock{getU32(p), getU32(p + 4)};
}

bool setPackageDataOffset(std::span<std::uint8_t> image, std::uint32_t packageDataOffset) {
    std::int64_t tag = findSetupBlockTag(image);
    if (tag < 8) return false;
    putU32(image.data() + tag - 8, packageDataOffset);
    return true;
}

bool setRunMode(std::span<std::uint8_t> image, std::uint32_t runMode) {
    std::int64_t tag = findSetupBlockTag(image);
    if (tag < 8) return false;
    putU32(image.data() + tag - 4, runMode);
    return true;
}
