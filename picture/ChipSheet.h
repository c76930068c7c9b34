#pragma once
// Chip Sheet: a strip of equally sized 8-bit frames with a 768-byte b, g, r palette, and
// the drawing of one frame with index 255 as transparent.
// Stored form: i32 count, i32 width, i32 height (little-endian), palette, pixels.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct ChipSheet {
    std::int32_t frameCount = 0;
    std::int32_t frameWidth = 0;
    std::int32_t frameHeight = 0;
    std::vector<std::uint8_t> pixels;           // frame after frame, rows top-down
    std::array<std::uint8_t, 768> palette = {};  // 256 entries of blue, green, red
};

inline constexpr std::uint8_t kChipTransparent = 255;

// Null when the data is too short for its header and pixels, or a dimension is negative.
// Bytes after the pixels are ignored.
std::unique_ptr<ChipSheet> parseChipSheet(const std::uint8_t* data, std::size_t length);
std::vector<std::uint8_t> serializeChipSheet(const ChipSheet& sheet);

// Draws `frame` with its top-left corner at (x, y) into a top-down 24-bit buffer of
// destWidth x destHeight pixels whose rows lie destStride bytes apart (0: 3 x destWidth).
// Clips to the destination; a frame outside the sheet or a buffer too small for the
// destination draws nothing.
void drawChip(std::span<std::uint8_t> pixels, std::int32_t destWidth, std::int32_t destHeight,
              const ChipSheet& sheet, std::int32_t frame, std::int32_t x, std::int32_t y,
              std::int32_t destStride = 0);
