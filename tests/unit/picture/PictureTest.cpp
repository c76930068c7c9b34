#include <gtest/gtest.h>

#include "Bytes.h"
#include "picture/Picture.h"

namespace {

Bytes packedHeader(const char* tag, std::uint16_t paletteCount, std::uint16_t width,
                   std::uint16_t height, std::uint32_t firstLength) {
    return Bytes{std::uint8_t(tag[0]), std::uint8_t(tag[1])} + le16(paletteCount) + le16(0) +
           le16(0) + le16(width) + le16(height) + le32(firstLength);
}

Bytes slice(const Bytes& plane, std::size_t count) { return Bytes(plane.begin(), plane.begin() + count); }

TEST(PackedPictureLoader, CtContainerHasTwoPlanes) {
    const Bytes data = {0x43, 0x54, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00,
                        0x01, 0x00, 0x05, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x11, 0x22,
                        0x33, 0x03, 0x00, 0x00, 0x00, 0x01, 0xAA, 0xBB};
    CollectingReporter reporter;
    const auto picture = loadPackedPicture(data.data(), data.size(), reporter);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_EQ(picture->type, 3);
    EXPECT_EQ(picture->width, 2);
    EXPECT_EQ(picture->height, 1);
    EXPECT_EQ(picture->stride, 4);
    EXPECT_EQ(slice(picture->colourPlane, 6), (Bytes{0x11, 0x22, 0x33, 0x11, 0x22, 0x33}));
    EXPECT_EQ(slice(picture->secondPlane, 2), (Bytes{0xAA, 0xBB}));
    EXPECT_TRUE(picture->palette.empty());
}

TEST(PackedPictureLoader, CcContainerHasPaletteIndicesAndSecondPlane) {
    const Bytes data = {0x43, 0x43, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00,
                        0x01, 0x00, 0x06, 0x00, 0x00, 0x00, 0x10, 0x20, 0x30, 0x01,
                        0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x40, 0x07};
    CollectingReporter reporter;
    const auto picture = loadPackedPicture(data.data(), data.size(), reporter);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->type, 4);
    EXPECT_EQ(picture->stride, 4);
    ASSERT_EQ(picture->palette.size(), 1024u);
    EXPECT_EQ(slice(picture->palette, 4), (Bytes{0x10, 0x20, 0x30, 0x01}));
    EXPECT_EQ(slice(picture->colourPlane, 2), (Bytes{0x00, 0x00}));
    EXPECT_EQ(slice(picture->secondPlane, 2), (Bytes{0x07, 0x07}));
}

TEST(PackedPictureLoader, CbPaletteSlotsTakeThreeFileBytesAndAOne) {
    const Bytes data = packedHeader("CB", 2, 3, 1, 8) +
                       Bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x41, 0x01};
    CollectingReporter reporter;
    const auto picture = loadPackedPicture(data.data(), data.size(), reporter);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->type, 1);
    EXPECT_EQ(slice(picture->palette, 8), (Bytes{0x01, 0x02, 0x03, 0x01, 0x04, 0x05, 0x06, 0x01}));
    EXPECT_EQ(picture->palette[8 + 3], 0);
    EXPECT_EQ(slice(picture->colourPlane, 3), (Bytes{0x01, 0x01, 0x01}));
    EXPECT_EQ(picture->colourPlane.size(), 3u * 2u);  // height + 1 rows of width bytes
    EXPECT_EQ(picture->stride, 8);
    EXPECT_EQ(picture->rowBytes, 3);
}

TEST(PackedPictureLoader, CfLoadsBottomUpAndFlipsTopDown) {
    // Three rows of one pixel each: 1, 2, 3 as stored (bottom row first).
    const Bytes data = packedHeader("CF", 0, 1, 3, 10) +
                       Bytes{0x08, 1, 1, 1, 2, 2, 2, 3, 3, 3};
    CollectingReporter reporter;
    auto picture = loadPackedPicture(data.data(), data.size(), reporter);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->type, 2);
    EXPECT_EQ(picture->colourPlane.size(), 12u);
    flipPictureRows(*picture);
    EXPECT_EQ(slice(picture->colourPlane, 9), (Bytes{3, 3, 3, 2, 2, 2, 1, 1, 1}));
}

TEST(PackedPictureLoader, DispatcherAndLoadersReportTheirOwnTexts) {
    const Bytes unknown = Bytes{0x43, 0x58} + Bytes(30, 0);
    const Bytes cf = packedHeader("CF", 0, 1, 1, 0);
    struct Case {
        const char* name;
        std::unique_ptr<Picture> (*load)(const std::uint8_t*, std::size_t, MessageReporter&);
        const Bytes* data;
        std::size_t length;
        const char* message;  // nullptr: no message
        bool loads;
    };
    const Case cases[] = {
        {"dispatcher, unknown tag", loadPackedPicture, &unknown, unknown.size(), kMessageNoFileBuffer, false},
        {"dispatcher, length 0", loadPackedPicture, &unknown, 0, nullptr, false},
        {"dispatcher, length 0 of a good picture", loadPackedPicture, &cf, 0, nullptr, false},
        {"CF loader, unknown tag", loadCfPicture, &unknown, unknown.size(), kMessageUnsupportedType, false},
        {"CB loader given CF", loadCbPicture, &cf, cf.size(), kMessageUnsupportedType, false},
        {"CT loader given CF", loadCtPicture, &cf, cf.size(), kMessageUnsupportedType, false},
        {"CC loader given CF", loadCcPicture, &cf, cf.size(), kMessageUnsupportedType, false},
        {"CF loader given CF", loadCfPicture, &cf, cf.size(), nullptr, true},
    };
    for (const Case& c : cases) {
        CollectingReporter reporter;
        const auto picture = c.load(c.data->data(), c.length, reporter);
        EXPECT_EQ(bool(picture), c.loads) << c.name;
        if (!c.message) {
            EXPECT_TRUE(reporter.messages.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(reporter.messages.size(), 1u) << c.name;
        EXPECT_EQ(reporter.messages[0].text, c.message) << c.name;
        EXPECT_EQ(reporter.messages[0].caption, "Vantorel") << c.name;
    }
}

TEST(PackedPictureLoader, DirectLoaderLeavesTypeZero) {
    const Bytes cf = packedHeader("CF", 0, 1, 1, 0);
    CollectingReporter reporter;
    const auto picture = loadCfPicture(cf.data(), cf.size(), reporter);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->type, 0);
}

TEST(PackedPictureLoader, MalformedContainersAreRefusedWithAMessage) {
    struct Case { const char* name; Bytes data; const char* message; };
    const Case cases[] = {
        {"header cut short", Bytes{0x43, 0x46, 0, 0, 0, 0, 0, 0, 1, 0}, kMessageDamagedPicture},
        {"first block longer than the data", packedHeader("CF", 0, 2, 2, 50) + Bytes(10, 0x40),
         kMessageDamagedPicture},
        {"palette count above 256", packedHeader("CB", 257, 2, 2, 800) + Bytes(800, 0), kMessageDamagedPicture},
        {"palette beyond the first block", packedHeader("CB", 4, 2, 2, 6) + Bytes(12, 0), kMessageDamagedPicture},
        {"second block length word missing", packedHeader("CT", 0, 1, 1, 2) + Bytes{0x40, 0x01, 0x00},
         kMessageDamagedPicture},
        {"second block longer than the data", packedHeader("CT", 0, 1, 1, 2) + Bytes{0x40, 0x01} + le32(9) +
         Bytes{0x40, 0x01}, kMessageDamagedPicture},
        {"first block length near 2^32", packedHeader("CC", 0, 1, 1, 0xFFFFFFFF) + Bytes(8, 0),
         kMessageDamagedPicture},
        {"picture too large to allocate", packedHeader("CF", 0, 0xFFFF, 0xFFFF, 1) + Bytes{0xFF},
         kMessageNoFileBuffer},
    };
    for (const Case& c : cases) {
        CollectingReporter reporter;
        EXPECT_FALSE(loadPackedPicture(c.data.data(), c.data.size(), reporter)) << c.name;
        ASSERT_EQ(reporter.messages.size(), 1u) << c.name;
        EXPECT_EQ(reporter.messages[0].text, c.message) << c.name;
    }
}

TEST(PackedPictureLoader, SecondBlockIsFoundFromTheFirstBlockLength) {
    // The first stream ends early with an end code; the second block still starts after
    // the whole first block.
    const Bytes data = packedHeader("CT", 0, 1, 1, 5) + Bytes{0xFF, 0x00, 0x00, 0x00, 0x00} +
                       le32(2) + Bytes{0x00, 0x5A};
    CollectingReporter reporter;
    const auto picture = loadPackedPicture(data.data(), data.size(), reporter);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->secondPlane[0], 0x5A);
    EXPECT_EQ(slice(picture->colourPlane, 3), (Bytes{0, 0, 0}));
}

Bytes bmpImage(int width, int height, int bits, const Bytes& colourTable, const Bytes& pixels,
               std::uint32_t infoSize = 40, std::uint32_t compression = 0) {
    const std::uint32_t offset = 54 + static_cast<std::uint32_t>(colourTable.size());
    return Bytes{'B', 'M'} + le32(offset + static_cast<std::uint32_t>(pixels.size())) + le32(0) + le32(offset) +
           le32(infoSize) + le32(std::uint32_t(width)) + le32(std::uint32_t(height)) + le16(1) + le16(bits) +
           le32(compression) + le32(0) + le32(0) + le32(0) + le32(0) + le32(0) + colourTable + pixels;
}

TEST(BmpPicture, RowsAreReadAtTheRowPitchAndTurnedTopDown) {
    const int width = 401;
    const std::size_t pitch = 1204;
    Bytes pixels(pitch * 2);
    std::fill(pixels.begin(), pixels.begin() + pitch, 0x11);  // bottom row in the file
    std::fill(pixels.begin() + pitch, pixels.end(), 0x22);    // top row
    const Bytes image = bmpImage(width, 2, 24, {}, pixels);
    CollectingReporter reporter;
    const auto picture = pictureFromBmp(image.data(), image.size(), reporter);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->type, 2);
    EXPECT_EQ(picture->stride, 1204);
    EXPECT_EQ(picture->colourPlane.size(), pitch * 2);
    EXPECT_EQ(picture->colourPlane[0], 0x22);
    EXPECT_EQ(picture->colourPlane[pitch - 1], 0x22);
    EXPECT_EQ(picture->colourPlane[pitch], 0x11);
    EXPECT_TRUE(picture->palette.empty());
}

TEST(BmpPicture, EightBitColourTableBecomesRedGreenBlueSlots) {
    Bytes table(1024, 0);
    table[0] = 0x10;  // blue
    table[1] = 0x20;  // green
    table[2] = 0x30;  // red
    table[3] = 0x99;
    const Bytes image = bmpImage(3, 1, 8, table, {0x00, 0x01, 0x02, 0x00});
    CollectingReporter reporter;
    const auto picture = pictureFromBmp(image.data(), image.size(), reporter);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->type, 1);
    EXPECT_EQ(picture->stride, 4);
    EXPECT_EQ(slice(picture->palette, 4), (Bytes{0x30, 0x20, 0x10, 0x00}));
    EXPECT_EQ(picture->colourPlane, (Bytes{0x00, 0x01, 0x02, 0x00}));
}

TEST(BmpPicture, UnreadableImagesAreRefusedWithAMessage) {
    const Bytes row = Bytes(4, 0);
    struct Case { const char* name; Bytes image; const char* message; };
    const Case cases[] = {
        {"too short for its headers", Bytes{'B', 'M', 0, 0}, kMessageUnsupportedBmp},
        {"not a BMP", Bytes{'P', 'K'} + Bytes(60, 0), kMessageUnsupportedBmp},
        {"16 bits per pixel", bmpImage(2, 1, 16, {}, row), kMessageUnsupportedBmp},
        {"32 bits per pixel", bmpImage(1, 1, 32, {}, row), kMessageUnsupportedBmp},
        {"run-length compressed", bmpImage(1, 1, 8, Bytes(1024, 0), row, 40, 1), kMessageUnsupportedBmp},
        {"124-byte information header", bmpImage(1, 1, 24, {}, row, 124), kMessageUnsupportedBmp},
        {"top-down (negative height)", bmpImage(1, -1, 24, {}, row), kMessageUnsupportedBmp},
        {"zero width", bmpImage(0, 1, 24, {}, row), kMessageUnsupportedBmp},
        {"rows past the data", bmpImage(2, 3, 24, {}, Bytes(16, 0)), kMessageDamagedPicture},
        {"colour table cut short", bmpImage(1, 1, 8, Bytes(100, 0), row), kMessageDamagedPicture},
        {"huge width", bmpImage(0x7FFFFFFF, 1, 24, {}, row), kMessageDamagedPicture},
    };
    for (const Case& c : cases) {
        CollectingReporter reporter;
        EXPECT_FALSE(pictureFromBmp(c.image.data(), c.image.size(), reporter)) << c.name;
        ASSERT_EQ(reporter.messages.size(), 1u) << c.name;
        EXPECT_EQ(reporter.messages[0].text, c.message) << c.name;
        EXPECT_EQ(reporter.messages[0].caption, "Vantorel") << c.name;
    }
}

TEST(FlipPictureRows, SwapsOuterRowsAndKeepsTheMiddleOne) {
    Picture picture;
    picture.width = 1;
    picture.height = 3;
    picture.stride = 4;
    picture.rowBytes = 4;
    picture.colourPlane = {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3};
    picture.secondPlane = {7, 8, 9, 0};
    flipPictureRows(picture);
    EXPECT_EQ(picture.colourPlane, (Bytes{3, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 1}));
    EXPECT_EQ(picture.secondPlane, (Bytes{9, 8, 7, 0}));

    for (const int height : {0, 1}) {
        Picture flat = picture;
        flat.height = height;
        flipPictureRows(flat);
        EXPECT_EQ(flat.colourPlane, picture.colourPlane) << height;
    }
}

}  // namespace
