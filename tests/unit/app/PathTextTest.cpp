#include "app/PathText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PackagePathText, OnePairOfQuotesIsTakenOffTheCommandLine) {
    struct Case {
        std::u16string line, path;
    };
    const Case cases[] = {
        {u"\"C:\\Disk\\Game.exe\"", u"C:\\Disk\\Game.exe"},
        {u"C:\\Disk\\My Game.exe", u"C:\\Disk\\My Game.exe"},  // blanks kept, nothing trimmed
        {u"x \"abc\"", u"abc"},                                // text after the first quote
        {u"\"abc", u"ab"},                                     // last character removed regardless
        {u"\"", u""},
        {u"", u""},
        {u" C:\\a.exe ", u" C:\\a.exe "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(packagePathText(std::u16string_view(c.line)), c.path) << std::string(c.line.begin(), c.line.end());
}

TEST(SplitPath, SplitsDriveFolderNameAndExtension) {
    struct Case {
        std::string path, folder, name, extension;
    };
    const Case cases[] = {
        {"D:\\Setup\\disk1.exe", "D:\\Setup\\", "disk1", ".exe"},
        {"", "", "", ""},
        {"disk1.exe", "", "disk1", ".exe"},
        {"C:disk1.exe", "C:", "disk1", ".exe"},
        {"C:\\", "C:\\", "", ""},
        {"a/b/c", "a/b/", "c", ""},
        {"dir.v2\\file", "dir.v2\\", "file", ""},          // a dot in a folder is not the extension
        {"C:\\x\\archive.tar.gz", "C:\\x\\", "archive.tar", ".gz"},
        // 0x95 0x5C (表) and 0x81 0x5C (―) are single characters whose second byte is a backslash.
        {"C:\\\x95\x5C\\game.exe", "C:\\\x95\x5C\\", "game", ".exe"},
        {"C:\\\x95\x5C.exe", "C:\\", "\x95\x5C", ".exe"},
        {"C:\\ab\x81\x5C", "C:\\", "ab\x81\x5C", ""},
    };
    for (const Case& c : cases) {
        PathParts parts = splitPath(c.path);
        EXPECT_EQ(parts.folder, c.folder) << c.path;
        EXPECT_EQ(parts.name, c.name) << c.path;
        EXPECT_EQ(parts.extension, c.extension) << c.path;
    }
}

}  // namespace
