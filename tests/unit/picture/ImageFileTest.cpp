#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Bytes.h"
#include "picture/Picture.h"
#include "tools/image/ImageFile.h"

namespace {

Image makeImage(int width, int height, int channels, std::uint8_t (*value)(int, int, int)) {
    Image image{width, height, channels, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) image.pixels.push_back(value(x, y, c));
    return image;
}

std::uint8_t manyColours(int x, int y, int c) { return std::uint8_t(c == 3 ? 255 - x : (x * 7 + y * 13) * (c + 1)); }
std::uint8_t fewColours(int x, int y, int c) { return std::uint8_t(c == 3 ? (y % 2 ? 255 : 64) : ((x / 4 + y) % 5) * 40 + c); }

class ImageFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/picture-test-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        folder_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }
    std::string path(const char* name) const { return folder_ + "/" + name; }
    std::string folder_;
};

TEST_F(ImageFileTest, Bmp24LoadsBackWithPaddedRowsTopDown) {
    const Image image = makeImage(401, 3, 3, manyColours);
    const Bytes bmp = imageToBmp24(image);
    EXPECT_EQ(bmp.size(), 54u + 1204u * 3u);
    CollectingReporter reporter;
    const auto picture = pictureFromBmp(bmp.data(), bmp.size(), reporter);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->stride, 1204);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 401; ++x) {
            const std::uint8_t* bgr = picture->colourPlane.data() + y * 1204 + x * 3;
            ASSERT_EQ(bgr[0], manyColours(x, y, 2));
            ASSERT_EQ(bgr[2], manyColours(x, y, 0));
        }
    }
}

TEST_F(ImageFileTest, ChipSheetFramesAreCutLeftToRightThenTopToBottom) {
    // A 2 x 2 grid of 3 x 2 frames; frame k's colour is (k * 10, 0, 0); one transparent pixel.
    Image grid = makeImage(6, 4, 4, [](int x, int y, int c) {
        const int frame = (y / 2) * 2 + x / 3;
        return std::uint8_t(c == 0 ? frame * 10 : c == 3 ? 255 : 0);
    });
    grid.pixels[3] = 10;  // pixel (0, 0): alpha below 128
    ChipSheet sheet;
    ASSERT_EQ(chipSheetFromImage(grid, 3, 2, sheet), "");
    EXPECT_EQ(sheet.frameCount, 4);
    ASSERT_EQ(sheet.pixels.size(), 4u * 6u);
    EXPECT_EQ(sheet.pixels[0], kChipTransparent);
    for (int frame = 0; frame < 4; ++frame) {
        const std::uint8_t index = sheet.pixels[frame * 6 + 5];
        EXPECT_EQ(sheet.palette[3 * index + 2], frame * 10) << frame;  // red is the third byte
    }
    const Image back = chipSheetToImage(sheet);
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 8);
    EXPECT_EQ(back.pixels[3], 0);
    EXPECT_EQ(back.pixels[(6 * 3 + 5) * 4], 30);  // last pixel of frame 3
}

TEST_F(ImageFileTest, ChipSheetRefusesMoreThan255ColoursAndUnevenFrames) {
    ChipSheet sheet;
    const Image many = makeImage(256, 1, 4, [](int x, int, int c) { return std::uint8_t(c == 3 ? 255 : c == 0 ? x : 0); });
    EXPECT_NE(chipSheetFromImage(many, 256, 1, sheet).find("255"), std::string::npos);
    const Image uneven = makeImage(10, 4, 4, fewColours);
    EXPECT_NE(chipSheetFromImage(uneven, 3, 4, sheet), "");
    EXPECT_NE(chipSheetFromImage(uneven, 0, 4, sheet), "");
}

TEST_F(ImageFileTest, PictureFilesRoundTripThroughPngForEveryTag) {
    struct Case { const char* tag; std::uint8_t (*value)(int, int, int); bool alpha; };
    const Case cases[] = {{"CF", manyColours, false}, {"CT", manyColours, true},
                          {"CB", fewColours, false}, {"CC", fewColours, true}};
    for (const Case& c : cases) {
        const Image image = makeImage(37, 23, 4, c.value);
        ASSERT_EQ(saveImagePng(image, path("in.png")), "");
        ASSERT_EQ(encodePictureFile(path("in.png"), path("pic.bin"), c.tag), "") << c.tag;
        ASSERT_EQ(decodePictureFile(path("pic.bin"), path("out.png")), "") << c.tag;
        Image back;
        ASSERT_EQ(loadImageFile(path("out.png"), 4, back), "");
        ASSERT_EQ(back.width, 37);
        ASSERT_EQ(back.height, 23);
        for (std::size_t i = 0; i < image.pixels.size(); ++i) {
            const bool alphaByte = i % 4 == 3;
            const std::uint8_t expected = alphaByte && !c.alpha ? 255 : image.pixels[i];
            ASSERT_EQ(back.pixels[i], expected) << c.tag << " byte " << i;
        }
    }
}

TEST_F(ImageFileTest, PictureFileErrorsAreReported) {
    const Image many = makeImage(300, 2, 4, [](int x, int, int c) { return std::uint8_t(c == 3 ? 255 : c == 1 ? x : x / 2); });
    ASSERT_EQ(saveImagePng(many, path("many.png")), "");
    EXPECT_NE(encodePictureFile(path("many.png"), path("x.bin"), "CB").find("256"), std::string::npos);
    EXPECT_EQ(encodePictureFile(path("many.png"), path("x.bin"), "CF"), "");
    EXPECT_NE(encodePictureFile(path("many.png"), path("x.bin"), "ZZ"), "");
    EXPECT_NE(encodePictureFile(path("missing.png"), path("x.bin"), "CF"), "");

    std::FILE* f = std::fopen(path("bad.bin").c_str(), "wb");
    std::fputs("CFxxxxxxxx", f);
    std::fclose(f);
    EXPECT_NE(decodePictureFile(path("bad.bin"), path("bad.png")).find(kMessageDamagedPicture), std::string::npos);
}

}  // namespace
