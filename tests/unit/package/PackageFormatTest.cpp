#include "package/PackageFormat.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

TEST(PackageHeader, SerializesEveryFieldLittleEndianAtItsOffset) {
    PackageHeader h;
    std::memcpy(h.gameName, "Orbit", 5);
    std::memcpy(h.gameTitle, "Title", 5);
    h.gameVersion = -2;
    h.installButtonX = 0x01020304;
    h.quitButtonY = 7;
    h.setupImageSize = 0x00075200;
    h.totalInstallSize = 0xFFFFFFFF;
    auto bytes = serializePackageHeader(h);
    EXPECT_EQ(bytes[0], 104);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[2])), "Orbit");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[18])), "Title");
    EXPECT_EQ(bytes[68], 0xFE);
    EXPECT_EQ(bytes[71], 0xFF);
    EXPECT_EQ(bytes[72], 0x04);
    EXPECT_EQ(bytes[75], 0x01);
    EXPECT_EQ(bytes[84], 7);
    EXPECT_EQ(bytes[88], 0x00);
    EXPECT_EQ(bytes[89], 0x52);
    EXPECT_EQ(bytes[90], 0x07);
    EXPECT_EQ(bytes[96], 0xFF);

    PackageHeader back = parsePackageHeader(bytes);
    EXPECT_EQ(back.name(), "Orbit");
    EXPECT_EQ(back.title(), "Title");
    EXPECT_EQ(back.gameVersion, -2);
    EXPECT_EQ(back.installButtonX, 0x01020304);
    EXPECT_EQ(back.quitButtonY, 7);
    EXPECT_EQ(back.setupImageSize, 0x00075200u);
    EXPECT_EQ(back.totalInstallSize, 0xFFFFFFFFu);
    EXPECT_EQ(serializePackageHeader(back), bytes);
}

TEST(PackageHeader, NameWithoutTerminatorStopsAtTheFieldEnd) {
    std::array<std::uint8_t, kHeaderSize> bytes{};
    std::memset(&bytes[2], 'A', 16 + 50);
    PackageHeader h = parsePackageHeader(bytes);
    EXPECT_EQ(h.name(), std::string(16, 'A'));
    EXPECT_EQ(h.title(), std::string(50, 'A'));
}

TEST(NameScrambling, AddsThirtyOnePlusThePosition) {
    EXPECT_EQ(scrambleName("abc"), "\x80\x82\x84");
    EXPECT_EQ(unscrambleName("\x80\x82\x84"), "abc");
    std::string plain(255, '\0');
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>('A' + i % 26);
    std::string stored = scrambleName(plain);
    EXPECT_EQ(stored[225], plain[225]);  // 31 + 225 = 256: unchanged
    EXPECT_NE(stored[224], plain[224]);
    EXPECT_EQ(static_cast<unsigned char>(stored[226]), static_cast<unsigned char>(plain[226] + 1));
    EXPECT_EQ(unscrambleName(stored), plain);
}

TEST(UnsafeNames, AcceptsRelativePathsBelowTheFolder) {
    const std::string ok[] = {
        "a.txt", "data\\map01.dat", "save\\..x", "x..y", "con2.txt", "COM10", "LPT0",
        "\x95\x5C\\a",          // 表\a: the second byte of 表 is not a separator
        "\x83\x7C",             // ポ: second byte 0x7C is not '|'
        ".hidden", std::string(200, 'a'),
    };
    for (const auto& name : ok) EXPECT_EQ(unsafeNameReason(name), std::nullopt) << name;
}

TEST(UnsafeNames, RefusesWhatCouldLeaveTheFolderOrFailOnWindows) {
    const std::string bad[] = {
        "", "\\a", "/a", "C:\\a", "c:a", "a\\..\\..\\b", "..", "..\\a", ".", "a\\.\\b", "a\\\\b", "a\\",
        "a:b", "a<b", "a>b", "a\"b", "a/b", "a|b", "a?b", "a*b", std::string("a\x01" "b"), "a\tb",
        "CON", "con", "Nul.txt", "aux.tar.gz", "COM1", "lpt9.log", "data\\PRN", "CON .txt", "CONIN$",
        "name.", "name ", "dir.\\a", "dir \\a", std::string(201, 'a'),
        "\x95",                 // lead byte without its second byte
        "a\xA0",                // not a cp932 character
        std::string("a\0b", 3),
    };
    for (const auto& name : bad) EXPECT_NE(unsafeNameReason(name), std::nullopt) << name;
}

TEST(UnsafeNames, FolderNamesAreOneComponent) {
    EXPECT_EQ(unsafeFolderNameReason("Orbit"), std::nullopt);
    EXPECT_EQ(unsafeFolderNameReason("\x83\x51\x81\x5B\x83\x80 2"), std::nullopt);
    for (const char* bad : {"", "a\\b", "..", "C:", "NUL", "Orbit.", "a/b"})
        EXPECT_NE(unsafeFolderNameReason(bad), std::nullopt) << bad;
}

}  // namespace
