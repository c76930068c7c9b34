#pragma once
// The Setup Block inside a program image: u32 packageDataOffset, u32 runMode, tag "VRDN".
// Tools set the offset when they build a package; the install writes the Setup Copy with
// the uninstall run mode.
#include <cstdint>
#include <optional>
#include <span>

struct SetupBlock {
    std::uint32_t packageDataOffset = 0;
    std::uint32_t runMode = 0;
};

// Offset of the tag, or -1 when the image has no Setup Block (declared in PackageReader.h
// as well). The tag must have its two values before it; where the tag occurs more than
// once, the first one followed by four zero bytes wins, as the block is laid out.
std::int64_t findSetupBlockTag(std::span<const std::uint8_t> image);

std::optional<SetupBlock> readSetupBlock(std::span<const std::uint8_t> image);
// Each returns false when the image has no Setup Block (and then leaves it unchanged).
bool setPackageDataOffset(std::span<std::uint8_t> image, std::uint32_t packageDataOffset);
bool setRunMode(std::span<std::uint8_t> image, std::uint32_t runMode);
