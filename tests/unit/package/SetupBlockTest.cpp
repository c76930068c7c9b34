#include "package/SetupBlock.h"

#include "PackageBytes.h"

#include <gtest/gtest.h>

namespace {

Bytes imageWithBlock(std::size_t before, std::uint32_t offset, std::uint32_t runMode) {
    Bytes b;
    b.fill(before, 0x90).u32(offset).u32(runMode).text("VRDN").fill(8).fill(32, 0x90);
    return b;
}

TEST(SetupBlock, FindsTheTagAfterItsTwoValues) {
    Bytes b = imageWithBlock(100, 0x75000, 2);
    EXPECT_EQ(findSetupBlockTag(b.data), 108);
    auto block = readSetupBlock(b.data);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->packageDataOffset, 0x75000u);
    EXPECT_EQ(block->runMode, 2u);
}

TEST(SetupBlock, PatchesOnlyItsOwnValues) {
    Bytes b = imageWithBlock(20, 0x75000, 2);
    Bytes expected = imageWithBlock(20, 0x80000, 3);
    EXPECT_TRUE(setRunMode(b.data, 3));
    EXPECT_TRUE(setPackageDataOffset(b.data, 0x80000));
    EXPECT_EQ(b.data, expected.data);
}

TEST(SetupBlock, ImagesWithoutABlock) {
    Bytes none;
    none.fill(100, 0);
    EXPECT_EQ(findSetupBlockTag(none.data), -1);
    EXPECT_FALSE(setRunMode(none.data, 3));
    Bytes tooEarly;
    tooEarly.fill(4).text("VRDN").fill(8);  // no room for the two values
    EXPECT_EQ(findSetupBlockTag(tooEarly.data), -1);
    EXPECT_EQ(readSetupBlock(tooEarly.data), std::nullopt);
    EXPECT_EQ(findSetupBlockTag({}), -1);
}

TEST(SetupBlock, PrefersTheTagFollowedByZeroBytes) {
    // An earlier "VRDN" inside code or text is not the block.
    Bytes b;
    b.fill(16, 0x90).text("VRDN").text("more").fill(40, 0x90).u32(0x75000).u32(2).text("VRDN").fill(8);
    EXPECT_EQ(findSetupBlockTag(b.data), 16 + 8 + 40 + 8);
    // A tag at the very end of the image still counts when it is the only one.
    Bytes end;
    end.fill(8, 1).text("VRDN");
    EXPECT_EQ(findSetupBlockTag(end.data), 8);
}

}  // namespace
