#include <gtest/gtest.h>

#include "Bytes.h"
#include "picture/ChipSheet.h"

namespace {

Bytes storedSheet(std::int32_t count, std::int32_t width, std::int32_t height, std::size_t pixelBytes) {
    Bytes palette(768);
    for (std::size_t i = 0; i < 768; ++i) palette[i] = std::uint8_t(i / 3);
    Bytes pixels(pixelBytes);
    for (std::size_t i = 0; i < pixelBytes; ++i) pixels[i] = std::uint8_t(i);
    return le32(std::uint32_t(count)) + le32(std::uint32_t(width)) + le32(std::uint32_t(height)) + palette + pixels;
}

TEST(ChipSheetStoredForm, ParsesAndWritesBackTheSameBytes) {
    const Bytes stored = storedSheet(3, 4, 2, 24);
    const auto sheet = parseChipSheet(stored.data(), stored.size());
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->frameCount, 3);
    EXPECT_EQ(sheet->frameWidth, 4);
    EXPECT_EQ(sheet->frameHeight, 2);
    EXPECT_EQ(sheet->pixels.size(), 24u);
    EXPECT_EQ(sheet->palette[3 * 7], 7);
    EXPECT_EQ(serializeChipSheet(*sheet), stored);
}

TEST(ChipSheetStoredForm, BytesAfterThePixelsAreIgnored) {
    const Bytes stored = storedSheet(1, 2, 2, 4) + Bytes(9, 0xAB);
    const auto sheet = parseChipSheet(stored.data(), stored.size());
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->pixels, (Bytes{0, 1, 2, 3}));
}

TEST(ChipSheetStoredForm, MalformedSheetsAreRefused) {
    struct Case { const char* name; Bytes stored; };
    const Case cases[] = {
        {"shorter than the header", Bytes(779, 0)},
        {"pixels cut short", storedSheet(2, 4, 4, 31)},
        {"negative frame count", storedSheet(-1, 4, 4, 16)},
        {"negative width", storedSheet(1, -4, -4, 16)},
        {"negative height", storedSheet(1, 4, -1, 16)},
        {"dimensions whose product wraps", storedSheet(0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 64)},
        {"count times frame size wraps 32 bits", storedSheet(0x10000, 0x10000, 1, 64)},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(parseChipSheet(c.stored.data(), c.stored.size())) << c.name;
    }
    EXPECT_FALSE(parseChipSheet(nullptr, 0));
}

TEST(ChipSheetStoredForm, EmptySheetIsValid) {
    const Bytes stored = storedSheet(0, 112, 32, 0);
    const auto sheet = parseChipSheet(stored.data(), stored.size());
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->pixels.empty());
}

// A 112 x 32 frame whose every pixel has index 1 except the top-left corner (index 255).
ChipSheet buttonSheet() {
    ChipSheet sheet;
    sheet.frameCount = 2;
    sheet.frameWidth = 112;
    sheet.frameHeight = 32;
    sheet.pixels.assign(2 * 112 * 32, 1);
    sheet.pixels[0] = kChipTransparent;
    sheet.palette[3] = 0xB1;
    sheet.palette[4] = 0xB2;
    sheet.palette[5] = 0xB3;
    return sheet;
}

struct Drawn { int count = 0, left = 1 << 30, right = -1, top = 1 << 30, bottom = -1; };

Drawn drawnArea(const Bytes& pixels, int width, int height) {
    Drawn d;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (pixels[(std::size_t(y) * width + x) * 3] != 0xB1) continue;
            ++d.count;
            d.left = std::min(d.left, x);
            d.right = std::max(d.right, x);
            d.top = std::min(d.top, y);
            d.bottom = std::max(d.bottom, y);
        }
    }
    return d;
}

TEST(DrawChip, ClipsTheFrameToTheDestination) {
    struct Case { const char* name; int frame, x, y; int count, left, right, top, bottom; };
    const Case cases[] = {
        {"inside, transparent corner kept", 0, 264, 256, 112 * 32 - 1, 264, 375, 256, 287},
        {"second frame has no transparent corner", 1, 264, 256, 112 * 32, 264, 375, 256, 287},
        {"right edge: left 50 columns", 1, 350, 10, 50 * 32, 350, 399, 10, 41},
        {"left edge: right 92 columns", 1, -20, 10, 92 * 32, 0, 91, 10, 41},
        {"top edge: bottom 27 rows", 1, 10, -5, 112 * 27, 10, 121, 0, 26},
        {"bottom-right corner", 1, 390, 290, 10 * 10, 390, 399, 290, 299},
        {"just past the right edge", 1, 400, 0, 0, 0, 0, 0, 0},
        {"just past the bottom edge", 1, 0, 300, 0, 0, 0, 0, 0},
        {"entirely to the left", 1, -112, 0, 0, 0, 0, 0, 0},
        {"entirely above", 1, 0, -32, 0, 0, 0, 0, 0},
        {"extreme coordinates", 1, INT32_MIN, INT32_MIN, 0, 0, 0, 0, 0},
        {"frame beyond the count", 2, 0, 0, 0, 0, 0, 0, 0},
        {"negative frame", -1, 0, 0, 0, 0, 0, 0, 0},
    };
    const ChipSheet sheet = buttonSheet();
    for (const Case& c : cases) {
        Bytes pixels(400 * 300 * 3, 0);
        drawChip(pixels, 400, 300, sheet, c.frame, c.x, c.y);
        const Drawn d = drawnArea(pixels, 400, 300);
        EXPECT_EQ(d.count, c.count) << c.name;
        if (c.count == 0) continue;
        EXPECT_EQ(d.left, c.left) << c.name;
        EXPECT_EQ(d.right, c.right) << c.name;
        EXPECT_EQ(d.top, c.top) << c.name;
        EXPECT_EQ(d.bottom, c.bottom) << c.name;
    }
}

TEST(DrawChip, WritesThePaletteBytesAndLeavesTransparentPixels) {
    ChipSheet sheet;
    sheet.frameCount = 1;
    sheet.frameWidth = 2;
    sheet.frameHeight = 1;
    sheet.pixels = {kChipTransparent, 3};
    sheet.palette[9] = 0x01;
    sheet.palette[10] = 0x02;
    sheet.palette[11] = 0x03;
    Bytes pixels(2 * 3, 0x77);
    drawChip(pixels, 2, 1, sheet, 0, 0, 0);
    EXPECT_EQ(pixels, (Bytes{0x77, 0x77, 0x77, 0x01, 0x02, 0x03}));
}

TEST(DrawChip, HonoursAPaddedRowPitchAndRefusesShortBuffers) {
    ChipSheet sheet;
    sheet.frameCount = 1;
    sheet.frameWidth = 1;
    sheet.frameHeight = 2;
    sheet.pixels = {0, 0};
    sheet.palette[0] = 0x55;
    Bytes padded(2 * 8, 0);  // width 2 at 24 bits: a pitch of 8 bytes
    drawChip(padded, 2, 2, sheet, 0, 1, 0, 8);
    EXPECT_EQ(padded[3], 0x55);
    EXPECT_EQ(padded[8 + 3], 0x55);

    Bytes tooShort(5, 0);
    drawChip(tooShort, 2, 1, sheet, 0, 0, 0);
    EXPECT_EQ(tooShort, Bytes(5, 0));
}

}  // namespace
