#include "picture/ChipSheet.h"

#include <algorithm>
#include <new>

namespace {

constexpr std::size_t kHeaderBytes = 12;
constexpr std::size_t kPaletteBytes = 768;

std::int32_t readI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(p[0] | p[1] << 8 | p[2] << 16 |
                                     static_cast<std::uint32_t>(p[3]) << 24);
}

void writeI32(std::vector<std::uint8_t>& out, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

std::uint64_t pixelCount(const ChipSheet& sheet) {
    if (sheet.frameCount < 0 || sheet.frameWidth < 0 || sheet.frameHeight < 0) return 0;
    return std::uint64_t(sheet.frameCount) * std::uint64_t(sheet.frameWidth) *
           std::uint64_t(sheet.frameHeight);
}

}  // namespace

std::unique_ptr<ChipSheet> parseChipSheet(const std::uint8_t* data, std::size_t length) {
    if (!data || length < kHeaderBytes + kPaletteBytes) return nullptr;
    std::unique_ptr<ChipSheet> sheet(new (std::nothrow) ChipSheet);
    if (!sheet) return nullptr;
    sheet->frameCount = readI32(data);
    sheet->frameWidth = readI32(data + 4);
    sheet->frameHeight = readI32(data + 8);
    if (sheet->frameCount < 0 || sheet->frameWidth < 0 || sheet->frameHeight < 0) return nullptr;
    // Three factors below 2^31 each: the product fits 64 bits without wrapping only when
    // checked step by step against the bytes that are there.
    const std::uint64_t available = length - kHeaderBytes - kPaletteBytes;
    const std::uint64_t frameBytes = std::uint64_t(sheet->frameWidth) * std::uint64_t(sheet->frameHeight);
    if (frameBytes != 0 && std::uint64_t(sheet->frameCount) > available / frameBytes) return nullptr;
    const std::uint64_t total = frameBytes * std::uint64_t(sheet->frameCount);
    std::copy_n(data + kHeaderBytes, kPaletteBytes, sheet->palette.begin());
    try {
        sheet->pixels.assign(data + kHeaderBytes + kPaletteBytes,
                             data + kHeaderBytes + kPaletteBytes + total);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return sheet;
}

std::vector<std::uint8_t> serializeChipSheet(const ChipSheet& sheet) {
    const std::size_t count = static_cast<std::size_t>(
        std::min<std::uint64_t>(pixelCount(sheet), sheet.pixels.size()));
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderBytes + kPaletteBytes + count);
    writeI32(out, sheet.frameCount);
    writeI32(out, sheet.frameWidth);
    writeI32(out, sheet.frameHeight);
    out.insert(out.end(), sheet.palette.begin(), sheet.palette.end());
    out.insert(out.end(), sheet.pixels.begin(), sheet.pixels.begin() + count);
    // A record whose pixels fall short of its dimensions is written with index 255 (nothing)
    // in the missing places, so that its stored form still parses.
    out.resize(out.size() + static_cast<std::size_t>(pixelCount(sheet)) - count, kChipTransparent);
    return out;
}

void drawChip(std::span<std::uint8_t> pixels, std::int32_t destWidth, std::int32_t destHeight,
              const ChipSheet& sheet, std::int32_t frame, std::int32_t x, std::int32_t y,
              std::int32_t destStride) {
    if (destWidth <= 0 || destHeight <= 0 || x >= destWidth || y >= destHeight) return;
    if (frame < 0 || frame >= sheet.frameCount || sheet.frameWidth <= 0 || sheet.frameHeight <= 0) return;
    const std::int64_t stride = destStride > 0 ? destStride : 3 * std::int64_t(destWidth);
    if (stride < 3 * std::int64_t(destWidth) ||
        std::uint64_t(stride) * std::uint64_t(destHeight - 1) + 3 * std::uint64_t(destWidth) > pixels.size()) {
        return;
    }
    const std::uint64_t frameBytes = std::uint64_t(sheet.frameWidth) * std::uint64_t(sheet.frameHeight);
    const std::uint64_t frameStart = frameBytes * std::uint64_t(frame);
    if (frameStart + frameBytes > sheet.pixels.size()) return;

    const std::int64_t left = std::max<std::int64_t>(0, -std::int64_t(x));
    const std::int64_t right = std::min<std::int64_t>(sheet.frameWidth, std::int64_t(destWidth) - x);
    const std::int64_t top = std::max<std::int64_t>(0, -std::int64_t(y));
    const std::int64_t bottom = std::min<std::int64_t>(sheet.frameHeight, std::int64_t(destHeight) - y);
    if (left >= right || top >= bottom) return;

    const std::uint8_t* palette = sheet.palette.data();
    for (std::int64_t fy = top; fy < bottom; ++fy) {
        const std::uint8_t* indices = sheet.pixels.data() + frameStart + fy * sheet.frameWidth;
        std::uint8_t* row = pixels.data() + (y + fy) * stride;
        for (std::int64_t fx = left; fx < right; ++fx) {
            const std::uint8_t index = indices[fx];
            if (index == kChipTransparent) continue;
            std::uint8_t* pixel = row + (x + fx) * 3;
            pixel[0] = palette[index * 3];
            pixel[1] = palette[index * 3 + 1];
            pixel[2] = palette[index * 3 + 2];
        }
    }
}
