#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Bytes.h"
#include "picture/ChipSheet.h"
#include "picture/PackedPicture.h"
#include "picture/PackedPictureEncoder.h"
#include "picture/Picture.h"

namespace {

Bytes readResource(const std::string& name) {
    const std::string path = std::string(TOLMAR_SOURCE_DIR) + "/resources/pictures/" + name;
    Bytes bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF) bytes.push_back(std::uint8_t(c));
        std::fclose(f);
    }
    return bytes;
}

// The start screen's pictures as shipped: 400 x 300 "CF" pictures whose one stream fills
// the plane exactly and uses its whole block, and which the encoder can pack again.
TEST(ResourcePictures, LoadAs400x300TrueColourAndUseTheirWholeBlock) {
    for (const char* name : {"IDR_DATA00.bin", "IDR_DATA01.bin", "IDR_DATA02.bin"}) {
        const Bytes data = readResource(name);
        ASSERT_GT(data.size(), kPackedHeaderSize) << name;
        CollectingReporter reporter;
        const auto picture = loadPackedPicture(data.data(), data.size(), reporter);
        ASSERT_TRUE(picture) << name;
        EXPECT_EQ(picture->type, 2) << name;
        EXPECT_EQ(picture->width, 400) << name;
        EXPECT_EQ(picture->height, 300) << name;
        EXPECT_EQ(picture->stride, 1200) << name;
        EXPECT_EQ(picture->aux1, 0) << name;
        EXPECT_TRUE(picture->secondPlane.empty() && picture->palette.empty()) << name;

        Bytes plane(1200 * 301);
        DecoderState state;
        state.source = {data.data() + kPackedHeaderSize, data.size() - kPackedHeaderSize};
        state.sourceEnd = data.size() - kPackedHeaderSize;
        state.output = plane;
        state.width = 400;
        state.height = 300;
        decodeColourStream(state);
        EXPECT_EQ(state.outputPosition, 360000u) << name;
        EXPECT_EQ(state.sourcePosition, data.size() - kPackedHeaderSize) << name;

        plane.resize(360000);
        const Bytes again = encodeColourStream(plane, 400, 300);
        Bytes back(1200 * 301);
        DecoderState replay = state;
        replay.source = again;
        replay.sourcePosition = 0;
        replay.sourceEnd = again.size();
        replay.output = back;
        replay.outputPosition = 0;
        decodeColourStream(replay);
        back.resize(360000);
        EXPECT_EQ(back, plane) << name;
    }
}

TEST(ResourcePictures, ButtonSheetHas40FramesOf112x32) {
    const Bytes data = readResource("IDR_DATA03.bin");
    const auto sheet = parseChipSheet(data.data(), data.size());
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->frameCount, 40);
    EXPECT_EQ(sheet->frameWidth, 112);
    EXPECT_EQ(sheet->frameHeight, 32);
    EXPECT_EQ(data.size(), 144140u);
}

}  // namespace
