#include "package/FileSystem.h"

#include "TempFolder.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

const std::string kHyo = "\x95\x5C";  // 表: second byte 0x5C

TEST(FileSystem, JoinAddsOneSeparator) {
    EXPECT_EQ(fsys::join("C:\\Games", "a.txt"), "C:\\Games\\a.txt");
    EXPECT_EQ(fsys::join("C:\\Games\\", "a.txt"), "C:\\Games\\a.txt");
    EXPECT_EQ(fsys::join("/tmp/", "a.txt"), "/tmp/a.txt");
    EXPECT_EQ(fsys::join("", "a.txt"), "a.txt");
    // The folder ends in a double-byte character, not in a separator.
    EXPECT_EQ(fsys::join("C:\\" + kHyo, "a"), "C:\\" + kHyo + "\\a");
}

TEST(FileSystem, BackslashPathsAndDoubleByteNamesReachTheDisk) {
    TempFolder tmp;
    const std::string folder = tmp.path() + kHyo;  // 表
    ASSERT_TRUE(fsys::makeDirectory(folder));
    EXPECT_FALSE(fsys::makeDirectory(folder));
    EXPECT_TRUE(fsys::isDirectory(folder));
    {
        fsys::File f = fsys::openWrite(folder + "\\x.bin");
        ASSERT_TRUE(f);
        EXPECT_EQ(f.write("hello", 5), 5u);
        EXPECT_TRUE(f.close());
    }
    EXPECT_TRUE(std::filesystem::exists(tmp.native() / "\xE8\xA1\xA8" / "x.bin"));
    EXPECT_TRUE(fsys::exists(folder + "\\x.bin"));
    EXPECT_FALSE(fsys::isDirectory(folder + "\\x.bin"));
    EXPECT_FALSE(fsys::removeDirectory(folder));  // not empty
    EXPECT_TRUE(fsys::removeFile(folder + "\\x.bin"));
    EXPECT_FALSE(fsys::exists(folder + "\\x.bin"));
    EXPECT_TRUE(fsys::removeDirectory(folder));
    EXPECT_FALSE(fsys::exists(folder));
}

TEST(FileSystem, StreamHelpersReturnHowFarThePositionMoved) {
    TempFolder tmp;
    const std::string path = tmp.file("data.bin");
    TempFolder::writeText(path, "0123456789");
    fsys::File f = fsys::openRead(path);
    ASSERT_TRUE(f);
    EXPECT_EQ(f.size(), 10);
    EXPECT_EQ(f.position(), 0);
    EXPECT_EQ(f.seek(4), 4);
    EXPECT_EQ(f.seek(-2, SEEK_CUR), -2);
    char buf[16] = {};
    EXPECT_EQ(f.read(buf, 16), 8u);  // short at the end
    EXPECT_EQ(std::string(buf, 8), "23456789");
    EXPECT_EQ(f.seek(0, SEEK_END), 0);
    EXPECT_EQ(f.size(), 10);
    EXPECT_EQ(f.seek(3), -7);
    EXPECT_EQ(f.position(), 3);
}

TEST(FileSystem, PositionsBeyondFourGigabytes) {
    TempFolder tmp;
    const std::string path = tmp.file("sparse.bin");
    const std::int64_t far = (std::int64_t{1} << 32) + 17;
    {
        fsys::File f = fsys::openWrite(path);
        ASSERT_TRUE(f);
        ASSERT_EQ(f.seek(far), far);
        ASSERT_EQ(f.write("Z", 1), 1u);
    }
    fsys::File f = fsys::openRead(path);
    EXPECT_EQ(f.size(), far + 1);
    EXPECT_EQ(f.seek(far), far);
    char c = 0;
    EXPECT_EQ(f.read(&c, 1), 1u);
    EXPECT_EQ(c, 'Z');
}

TEST(FileSystem, OpenUpdateNeedsAnExistingFile) {
    TempFolder tmp;
    EXPECT_FALSE(fsys::openUpdate(tmp.file("none")));
    EXPECT_FALSE(fsys::openRead(tmp.file("none")));
    TempFolder::writeText(tmp.file("f"), "abcd");
    {
        fsys::File f = fsys::openUpdate(tmp.file("f"));
        ASSERT_TRUE(f);
        f.seek(1);
        f.write("XY", 2);
    }
    EXPECT_EQ(TempFolder::readText(tmp.file("f")), "aXYd");
}

TEST(FileSystem, ReplaceFileOverwritesTheTarget) {
    TempFolder tmp;
    TempFolder::writeText(tmp.file("new"), "new");
    TempFolder::writeText(tmp.file("old"), "old");
    EXPECT_TRUE(fsys::replaceFile(tmp.file("new"), tmp.file("old")));
    EXPECT_EQ(TempFolder::readText(tmp.file("old")), "new");
    EXPECT_FALSE(fsys::exists(tmp.file("new")));
    EXPECT_FALSE(fsys::replaceFile(tmp.file("missing"), tmp.file("old")));
}

TEST(FileSystem, ListFilesMatchesTheSuffixIgnoringCase) {
    TempFolder tmp;
    for (const char* n : {"a.sav", "B.SAV", "c.txt", "save"}) TempFolder::writeText(tmp.file(n), "x");
    std::filesystem::create_directory(tmp.native() / "d.sav");
    auto names = fsys::listFiles(tmp.path(), ".sav");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"B.SAV", "a.sav"}));
    EXPECT_EQ(fsys::listFiles(tmp.path(), "").size(), 4u);
    EXPECT_TRUE(fsys::listFiles(tmp.file("missing"), "").empty());
}

TEST(FileSystem, FreeBytesOfAnExistingFolder) {
    TempFolder tmp;
    EXPECT_GT(fsys::freeBytes(tmp.path()), 0u);
    EXPECT_EQ(fsys::freeBytes(tmp.file("missing/deeper")), 0u);
}

}  // namespace
