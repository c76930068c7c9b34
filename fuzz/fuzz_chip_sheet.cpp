#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/ChipSheet.h"

// A parsed sheet is drawn at positions taken from the input's first bytes, around the
// edges of a small destination, so that clipping is exercised as much as parsing.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto sheet = parseChipSheet(data, size);
    if (!sheet || size < 12) return 0;
    std::vector<std::uint8_t> pixels(3 * 40 * 30);
    const std::int32_t x = static_cast<std::int8_t>(data[size - 1]);
    const std::int32_t y = static_cast<std::int8_t>(data[size - 2]);
    for (std::int32_t frame = -1; frame <= sheet->frameCount && frame < 4; ++frame) {
        drawChip(pixels, 40, 30, *sheet, frame, x, y);
    }
    return 0;
}
