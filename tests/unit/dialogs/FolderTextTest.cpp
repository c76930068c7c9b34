#include "dialogs/FolderText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FolderText, ShowsShortFoldersWholeAndCutsLongOnesAfterEighteenBytes) {
    struct Case {
        std::string folder, shown;
    } cases[] = {
        {"C:\\", "C:\\"},
        {"C:\\Program Files\\Ga", "C:\\Program Files\\Ga"},           // 20 bytes: whole
        {"C:\\Program Files\\Games\\", "C:\\Program Files\\G..."},     // 23 bytes
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(shortenFolderText(c.folder), c.shown) << c.folder;
}

TEST(FolderText, NeverSplitsADoubleByteCharacterAtTheCut) {
    // Seventeen single bytes, then "表" (0x95 0x5C) across bytes 18 and 19.
    const std::string folder = std::string("C:\\abcdefghijklmn") + "\x95\x5C" + "xyz\\";
    ASSERT_EQ(folder.size(), 23u);
    EXPECT_EQ(shortenFolderText(folder), "C:\\abcdefghijklmn...");
    // The character ends exactly at byte 18: kept.
    const std::string aligned = std::string("C:\\abcdefghijklm") + "\x95\x5C" + "xyz\\";
    EXPECT_EQ(shortenFolderText(aligned), std::string("C:\\abcdefghijklm") + "\x95\x5C...");
}

TEST(FolderText, BrowsedPathIsRefusedWhenEmptyOrOver128Bytes) {
    EXPECT_EQ(checkBrowsedPath("").verdict, BrowsedPathVerdict::empty);

    const std::string exact = "C:\\" + std::string(125, 'a');   // 128 bytes
    BrowsedPath accepted = checkBrowsedPath(exact);
    EXPECT_EQ(accepted.verdict, BrowsedPathVerdict::accepted);
    EXPECT_EQ(accepted.folder, exact + "\\");

    EXPECT_EQ(checkBrowsedPath(exact + "a").verdict, BrowsedPathVerdict::tooLong);
    // Counted in cp932 bytes: 63 double-byte characters and "C:\" make 129 bytes.
    std::string wide = "C:\\";
    for (int i = 0; i < 63; ++i) wide += "\x82\xA0";
    EXPECT_EQ(checkBrowsedPath(wide).verdict, BrowsedPathVerdict::tooLong);
}

TEST(FolderText, AcceptedPathEndsInABackslashOfItsOwn) {
    struct Case {
        std::string path, folder;
    } cases[] = {
        {"D:\\", "D:\\"},
        {"D:\\Games\\", "D:\\Games\\"},
        {"D:\\Games", "D:\\Games\\"},
        // 0x5C as the second byte of "表" is not a backslash.
        {"D:\\\x95\x5C", "D:\\\x95\x5C\\"},
        {"D:\\\x95\x5C\\", "D:\\\x95\x5C\\"},
    };
    for (const Case& c : cases) EXPECT_EQ(checkBrowsedPath(c.path).folder, c.folder) << c.path;
}

TEST(FolderText, ListingNeedsRoomForTheSearchPattern) {
    EXPECT_TRUE(folderFitsPathBuffer(257));    // 257 + "\*" = 259
    EXPECT_FALSE(folderFitsPathBuffer(258));
}

}  // namespace
