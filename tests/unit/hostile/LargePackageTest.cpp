// Totals of 4 GB and more: the header's totalInstallSize saturates at 0xFFFFFFFF, so the
// sizes shown, the space check and the progress bar take the file table's sum.
#include "dialogs/SizeText.h"
#include "install/CopyEngine.h"
#include "package/PackageReader.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint64_t kGB = 1ull << 30;

TEST(LargePackage, TheTrueTotalComesFromTheFileTable) {
    PackageTables tables;
    for (std::uint32_t size : {0x60000000u, 0x60000000u, 0x60000000u, 1000u}) tables.files.push_back({"f", size, 0});
    const std::uint64_t total = totalFileBytes(tables);
    EXPECT_EQ(total, 9 * kGB / 2 + 1000);

    const std::uint32_t neededKB = static_cast<std::uint32_t>(total >> 10);
    EXPECT_TRUE(spaceIsEnough(total, neededKB));
    EXPECT_FALSE(spaceIsEnough(total, neededKB - 1));
    EXPECT_FALSE(spaceIsEnough(total, 0xFFFFFFFFu >> 10)) << "what the saturated header field would pass";
    EXPECT_EQ(settingsSizeLine(total, 10 * 1024 * 1024), "4,608 MB / 10,240 MB ");
    EXPECT_EQ(confirmSizeLine(total), "4,608 MB (4,718,592 KB)");
    EXPECT_EQ(totalPercent(total / 2, total), 50u);
    EXPECT_EQ(totalPercent(5 * kGB, 6 * kGB), 83u);
}

TEST(LargePackage, TotalsBelow4GBShowAsBefore) {
    for (std::uint32_t bytes : {0u, 1023u, 1024u, 52428800u, 0xFFFFFFFFu}) {
        EXPECT_EQ(confirmSizeLine(std::uint64_t{bytes}), confirmSizeLine(bytes));
        EXPECT_EQ(spaceIsEnough(bytes, bytes >> 10), true);
    }
    EXPECT_EQ(confirmSizeLine(52428800u), "50 MB (51,200 KB)");
}

}  // namespace
