#include "dialogs/SizeText.h"

#include "package/Cp932.h"

#include <gtest/gtest.h>

namespace {

std::string cp(const char* utf8) { return cp932::fromUtf8(utf8).value(); }

TEST(FormatGroupedNumber, PutsACommaBetweenGroupsOfThree) {
    struct Case { std::uint32_t value; int unsignedFlag; const char* text; };
    const Case cases[] = {
        {0, 0, "0"}, {7, 0, "7"}, {100, 0, "100"}, {999, 0, "999"}, {1000, 0, "1,000"},
        {100000, 0, "100,000"}, {1000000, 0, "1,000,000"}, {1234567, 0, "1,234,567"},
        {4294967295u, 1, "4,294,967,295"}, {2147483648u, 1, "2,147,483,648"},
        // Negative as a signed number: its magnitude, never a minus sign.
        {4294967295u, 0, "1"}, {0xFFFFFC18u, 0, "1,000"}, {2147483648u, 0, "2,147,483,648"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatGroupedNumber(c.value, c.unsignedFlag), c.text) << c.value;
}

TEST(SizeText, KbSaturatesInsteadOfWrapping) {
    EXPECT_EQ(kbFromBytes(0), 0u);
    EXPECT_EQ(kbFromBytes(1023), 0u);
    EXPECT_EQ(kbFromBytes(1024), 1u);
    EXPECT_EQ(kbFromBytes((std::uint64_t{1} << 42) - 1), 0xFFFFFFFFu);  // just under 4 TB
    EXPECT_EQ(kbFromBytes(std::uint64_t{1} << 42), 0xFFFFFFFFu);        // 4 TB would wrap to 0
    EXPECT_EQ(kbFromBytes((std::uint64_t{5} << 40) + 12345), 0xFFFFFFFFu);
    EXPECT_EQ(kbFromBytes(~std::uint64_t{0}), 0xFFFFFFFFu);
}

TEST(SizeText, SettingsLineMarksAShortage) {
    struct Case { std::uint32_t totalBytes, freeKB; bool enough; const char* line; };
    const Case cases[] = {
        {1234u << 20, 512u << 10, false, "1,234 MB / 512 MB  容量不足!"},
        {1234u << 20, 1234u << 10, true, "1,234 MB / 1,234 MB "},          // equal is enough
        {1234u << 20, (1234u << 10) - 1, false, "1,234 MB / 1,233 MB  容量不足!"},
        {100u << 10, 512, true, "0 MB / 0 MB "},                           // under 1 MB free, still enough
        {1024, 0, false, "0 MB / 0 MB  容量不足!"},                         // a failed query shows 0
        {1023, 0, true, "0 MB / 0 MB "},
        {0xFFFFFFFFu, 0xFFFFFFFFu, true, "4,095 MB / 4,194,303 MB "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(spaceIsEnough(c.totalBytes, c.freeKB), c.enough) << c.line;
        EXPECT_EQ(settingsSizeLine(c.totalBytes, c.freeKB), cp(c.line)) << c.line;
    }
    EXPECT_EQ(cp(" 容量不足!").size(), 10u);
}

TEST(SizeText, ConfirmLineShowsMegabytesAndKilobytes) {
    EXPECT_EQ(confirmSizeLine(1264196608u), "1,205 MB (1,234,567 KB)");
    EXPECT_EQ(confirmSizeLine(1023), "0 MB (0 KB)");
    EXPECT_EQ(confirmSizeLine(524288), "0 MB (512 KB)");
    EXPECT_EQ(confirmSizeLine(0xFFFFFFFFu), "4,095 MB (4,194,303 KB)");
}

TEST(SizeText, FolderBrowserFreeSpaceNeverOverstates) {
    struct Case { std::uint32_t kb; const char* text; };
    const Case cases[] = {
        {0, "Error !"}, {1, "約1KByte以上"}, {1023, "約1023KByte以上"}, {1024, "約1MByte以上"},
        {2500000, "約2GByte以上"}, {1048575, "約1023MByte以上"}, {1048576, "約1GByte以上"},
        {1073741823, "約1023GByte以上"}, {1073741824, "約1TByte以上"}, {0xFFFFFFFFu, "約3TByte以上"},
    };
    for (const auto& c : cases) EXPECT_EQ(freeSpaceText(c.kb), cp(c.text)) << c.text;
}

}  // namespace
