#include "package/Cp932.h"

#include <gtest/gtest.h>

namespace {

// "表" is 0x95 0x5C in cp932: its second byte is a backslash.
const std::string kHyo = "\x95\x5C";

TEST(Cp932, ConvertsBothWaysForMixedText) {
    struct Case { std::string cp932, utf8; };
    const Case cases[] = {
        {"", ""},
        {"abc", "abc"},
        {"C:\\Games\\", "C:\\Games\\"},
        {kHyo + "\\a", "\xE8\xA1\xA8\\a"},                                 // 表\a
        {"\x83\x51\x81\x5B\x83\x80", "\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0"},  // ゲーム
        {"\xB1\xB2", "\xEF\xBD\xB1\xEF\xBD\xB2"},                          // half-width ｱｲ
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cp932::toUtf8(c.cp932), c.utf8) << c.utf8;
        EXPECT_EQ(cp932::fromUtf8(c.utf8), c.cp932) << c.utf8;
        auto wide = cp932::toUtf16(c.cp932);
        EXPECT_EQ(cp932::fromUtf16(wide), c.cp932) << c.utf8;
    }
}

TEST(Cp932, InvalidBytesBecomeReplacementCharacters) {
    EXPECT_EQ(cp932::toUtf8("a\xA0z"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(cp932::toUtf8("\x85\x40z"), "\xEF\xBF\xBDz");  // unassigned double-byte code
    // A lead byte at the end has no second byte.
    EXPECT_EQ(cp932::toUtf8("a\x95"), "a\xEF\xBF\xBD");
    EXPECT_EQ(cp932::toUtf16("\xFF"), std::u16string(1, u'\xFFFD'));
}

TEST(Cp932, CharactersWithoutAnExactFormAreRefused) {
    EXPECT_EQ(cp932::fromUtf8("\xC2\xA5"), std::nullopt);      // yen sign must not become '\'
    EXPECT_EQ(cp932::fromUtf8("\xE2\x80\xBE"), std::nullopt);  // overline must not become '~'
    EXPECT_EQ(cp932::fromUtf8("\xE2\x88\x95"), std::nullopt);  // division slash
    EXPECT_EQ(cp932::fromUtf8("\xF0\x9F\x98\x80"), std::nullopt);
    EXPECT_EQ(cp932::fromUtf8("\xC0\xAF"), std::nullopt);      // overlong '/'
    EXPECT_EQ(cp932::fromUtf16(std::u16string(1, u'\xD800')), std::nullopt);
}

TEST(Cp932, PrefixNeverSplitsADoubleByteCharacter) {
    const std::string text = "a" + kHyo + "b";
    EXPECT_EQ(cp932::prefixLength(text, 0), 0u);
    EXPECT_EQ(cp932::prefixLength(text, 1), 1u);
    EXPECT_EQ(cp932::prefixLength(text, 2), 1u);
    EXPECT_EQ(cp932::prefixLength(text, 3), 3u);
    EXPECT_EQ(cp932::prefixLength(text, 100), 4u);
    EXPECT_EQ(cp932::prefixLength("ab\x95", 3), 3u);  // a dangling lead byte is one byte
}

}  // namespace
