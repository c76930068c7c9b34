// The committed artwork has the forms the program and the package builder rely on.
#include "picture/ChipSheet.h"
#include "picture/Picture.h"
#include "tests/unit/tolpkg/TolpkgTestSupport.h"
#include "tools/image/ImageFile.h"

#include <gtest/gtest.h>

namespace {

const std::string kRoot = TOLMAR_SOURCE_DIR;

TEST(Artwork, WizardPagesAreTrueColourPackedPicturesOf400By300) {
    for (int i = 0; i < 3; ++i) {
        std::string name = kRoot + "/resources/pictures/IDR_DATA0" + std::to_string(i) + ".bin";
        SCOPED_TRACE(name);
        auto data = readAll(name);
        ASSERT_GE(data.size(), 16u);
        EXPECT_EQ(data[0], 'C');
        EXPECT_EQ(data[1], 'F');
        EXPECT_EQ(data[2] | data[3] << 8 | data[4] | data[5] << 8 | data[6] | data[7] << 8, 0) << "palette count and aux";
        CollectingReporter reporter;
        auto picture = loadPackedPicture(data.data(), data.size(), reporter);
        ASSERT_TRUE(picture);
        EXPECT_TRUE(reporter.messages.empty());
        EXPECT_EQ(picture->type, kPictureTrueColour);
        EXPECT_EQ(picture->width, 400);
        EXPECT_EQ(picture->height, 300);
    }
}

TEST(Artwork, FolderBoxIsBlackWhereTheFolderTextIsDrawn) {
    auto data = readAll(kRoot + "/resources/pictures/IDR_DATA01.bin");
    CollectingReporter reporter;
    auto picture = loadPackedPicture(data.data(), data.size(), reporter);
    ASSERT_TRUE(picture);
    flipPictureRows(*picture);
    // The text goes on an opaque black background at (14, 120), 32 pixels high.
    for (int y = 116; y < 153; ++y)
        for (int x = 12; x < 388; ++x) {
            const std::uint8_t* p = &picture->colourPlane[std::size_t(y) * picture->rowBytes + x * 3];
            ASSERT_EQ(p[0] | p[1] | p[2], 0) << "pixel " << x << ", " << y;
        }
}

TEST(Artwork, WizardButtonSheetHasFortyFramesWithTransparentCorners) {
    auto data = readAll(kRoot + "/resources/pictures/IDR_DATA03.bin");
    EXPECT_EQ(data.size(), 144140u);
    auto sheet = parseChipSheet(data.data(), data.size());
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->frameCount, 40);
    EXPECT_EQ(sheet->frameWidth, 112);
    EXPECT_EQ(sheet->frameHeight, 32);
    for (int f = 0; f < 40; ++f) {
        const std::uint8_t* frame = &sheet->pixels[std::size_t(f) * 112 * 32];
        EXPECT_EQ(frame[0], kChipTransparent) << f;
        EXPECT_EQ(frame[111], kChipTransparent) << f;
        EXPECT_EQ(frame[31 * 112], kChipTransparent) << f;
        EXPECT_NE(frame[16 * 112 + 56], kChipTransparent) << f;
        EXPECT_NE(frame[16 * 112 + 2], kChipTransparent) << f;
    }
}

TEST(Artwork, SampleMenuArtIsWhatTheBuilderTakes) {
    Image menu, strip;
    ASSERT_EQ(loadImageFile(kRoot + "/tests/sample/menu.png", 3, menu), "");
    EXPECT_EQ(menu.width, 400);
    EXPECT_EQ(menu.height, 300);
    ASSERT_EQ(loadImageFile(kRoot + "/tests/sample/buttons.png", 4, strip), "");
    ChipSheet sheet;
    ASSERT_EQ(chipSheetFromImage(strip, 112, 32, sheet), "");
    EXPECT_EQ(sheet.frameCount, 8);
}

}  // namespace
