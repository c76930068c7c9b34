#include "package/PackageReader.h"

#include "PackageBytes.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

class PackageReaderTest : public ::testing::Test {
protected:
    TempFolder tmp;
    std::string path = tmp.file("game.pkg");

    PackageReader open(const Bytes& b, std::uint32_t headerOffset = 64) {
        TempFolder::writeBytes(path, b.data.data(), b.size());
        return PackageReader(fsys::openRead(path), headerOffset);
    }
    static std::string messageOf(const PackageReader& r) { return r.error() ? r.error()->message : ""; }
};

TEST_F(PackageReaderTest, ReadsHeadAndTables) {
    TestPackage p;
    p.files = {{"Tolmar.exe", "MZ..."}, {"data\\empty.dat", ""}, {"data\\a.bin", "xyz"}};
    p.links = {{"Home page", "http://example.com/"}, {"Manual", "manual\\index.htm"}};
    Bytes b = p.build();
    PackageReader r = open(b);
    PackageHead head;
    ASSERT_TRUE(r.readHead(head)) << messageOf(r);
    EXPECT_EQ(head.header.name(), "Orbit");
    EXPECT_EQ(head.header.setupImageSize, p.headSize());
    EXPECT_EQ(std::string(head.bmp.begin(), head.bmp.end()), p.bmp);
    ASSERT_EQ(head.chipSheet.size(), kChipSheetHeaderSize + 8 * 2 * 3);
    EXPECT_EQ(head.chipSheet[0], 8);
    EXPECT_EQ(head.chipSheet[12], 7);
    EXPECT_EQ(head.chipSheet.back(), 9);

    PackageTables t;
    ASSERT_TRUE(r.readTables(head.header, t)) << messageOf(r);
    ASSERT_EQ(t.files.size(), 3u);
    EXPECT_EQ(t.files[1].name, "data\\empty.dat");
    EXPECT_EQ(t.files[1].size, 0u);
    EXPECT_EQ(t.files[2].size, 3u);
    EXPECT_EQ(std::string(b.data.begin() + static_cast<std::ptrdiff_t>(t.files[2].dataOffset),
                          b.data.begin() + static_cast<std::ptrdiff_t>(t.files[2].dataOffset + 3)),
              "xyz");
    ASSERT_EQ(t.links.size(), 2u);
    EXPECT_TRUE(t.links[0].isUrl());
    EXPECT_FALSE(t.links[1].isUrl());
    EXPECT_EQ(t.links[1].target, "manual\\index.htm");
    EXPECT_EQ(t.endOffset, b.size());
}

TEST_F(PackageReaderTest, EmptyTablesAndNegativeCountMeanNoFiles) {
    TestPackage p;
    Bytes b = p.build();
    PackageReader r = open(b);
    PackageHeader h;
    ASSERT_TRUE(r.readHeader(h));
    PackageTables t;
    ASSERT_TRUE(r.readTables(h, t)) << messageOf(r);
    EXPECT_TRUE(t.files.empty());
    EXPECT_TRUE(t.links.empty());

    Bytes negative = b;
    negative.data.resize(p.headSize());
    negative.i32(-5).u8(0);
    PackageReader r2 = open(negative);
    ASSERT_TRUE(r2.readTables(h, t)) << messageOf(r2);
    EXPECT_TRUE(t.files.empty());
}

TEST_F(PackageReaderTest, WrongVersionIsReportedAsSuch) {
    for (std::uint16_t v : {103, 105}) {
        TestPackage p;
        p.version = v;
        PackageReader r = open(p.build());
        PackageHeader h;
        EXPECT_FALSE(r.readHeader(h));
        ASSERT_TRUE(r.error());
        EXPECT_TRUE(r.error()->wrongVersion);
        EXPECT_EQ(r.error()->offset, 64u);
    }
}

TEST_F(PackageReaderTest, UnsafeGameNameOrTitleIsRefused) {
    for (const char* name : {"..", "a\\b", ""}) {
        TestPackage p;
        p.gameName = name;
        PackageReader r = open(p.build());
        PackageHeader h;
        EXPECT_FALSE(r.readHeader(h)) << name;
        EXPECT_NE(messageOf(r).find("game name"), std::string::npos);
    }
    TestPackage p;
    p.gameTitle = "a:b";
    PackageReader r = open(p.build());
    PackageHeader h;
    EXPECT_FALSE(r.readHeader(h));
    EXPECT_NE(messageOf(r).find("game title"), std::string::npos);
}

// Every cut through the package gives a clear error naming the structure, never a crash.
TEST_F(PackageReaderTest, TruncatedPackagesNameWhatRunsPastTheEnd) {
    TestPackage p;
    p.files = {{"a.txt", "hello"}};
    p.links = {{"Site", "http://x"}};
    Bytes full = p.build();
    struct Case { std::size_t keep; const char* mentions; };
    const std::size_t head = p.headSize();
    const Case cases[] = {
        {0, "Package Header"}, {64 + 50, "Package Header"}, {64 + 104 + 2, "picture block size"},
        {64 + 104 + 4 + 3, "picture block"}, {64 + 104 + 4 + p.bmp.size() + 1, "word after the picture block"},
        {head - 820, "chip block header"}, {head - 1, "chip block"}, {head + 2, "file count"},
        {head + 4, "file count 1"}, {head + 4 + 1 + 4, "file entry 0 name"},
        {head + 4 + 1 + 5 + 2, "file entry 0 size"}, {head + 4 + 1 + 5 + 4 + 4, "file entry 0 data"},
        {full.size() - 15, "link count"}, {full.size() - 14, "link 0 name length"},
        {full.size() - 12, "link 0 name"}, {full.size() - 9, "link 0 target length"},
        {full.size() - 3, "link 0 target"},
    };
    for (const auto& c : cases) {
        Bytes cut = full;
        cut.data.resize(c.keep);
        PackageReader r = open(cut);
        PackageHead h;
        PackageTables t;
        bool ok = r.readHead(h);
        if (ok) {
            ok = r.readTables(h.header, t);
        }
        EXPECT_FALSE(ok) << c.keep;
        EXPECT_NE(messageOf(r).find(c.mentions), std::string::npos) << c.keep << ": " << messageOf(r);
        EXPECT_NE(messageOf(r).find("past the end"), std::string::npos) << messageOf(r);
    }
}

TEST_F(PackageReaderTest, CountsAndSizesPastTheEndAreRefused) {
    TestPackage p;
    Bytes base = p.build();
    base.data.resize(p.headSize());
    PackageHeader h = p.header(static_cast<std::uint32_t>(p.headSize()));

    Bytes hugeCount = base;
    hugeCount.i32(0x7FFFFFFF).u8(0);
    PackageReader r1 = open(hugeCount);
    PackageTables t;
    EXPECT_FALSE(r1.readTables(h, t));
    EXPECT_NE(messageOf(r1).find("file count"), std::string::npos);

    Bytes hugeSize = base;
    hugeSize.i32(1).u8(1).text(scrambleName("a")).u32(0xFFFFFFFF).text("data").u8(0);
    PackageReader r2 = open(hugeSize);
    EXPECT_FALSE(r2.readTables(h, t));
    EXPECT_NE(messageOf(r2).find("file entry 0 data"), std::string::npos) << messageOf(r2);

    Bytes tooManyLinks = base;
    tooManyLinks.i32(0).u8(200).u8(1).text("a").u8(1).text("b");
    PackageReader r3 = open(tooManyLinks);
    EXPECT_FALSE(r3.readTables(h, t));
    EXPECT_NE(messageOf(r3).find("link 1"), std::string::npos) << messageOf(r3);

    PackageHeader pastEnd = h;
    pastEnd.setupImageSize = 0xFFFFFFF0;
    EXPECT_FALSE(r3.readTables(pastEnd, t));
    EXPECT_NE(messageOf(r3).find("file count"), std::string::npos);
}

TEST_F(PackageReaderTest, UnsafeFileAndLinkNamesAreRefused) {
    struct Case { std::vector<TestFile> files; std::vector<TestLink> links; const char* mentions; };
    const Case cases[] = {
        {{{"..\\..\\evil.dll", "x"}}, {}, "file entry 0 name"},
        {{{"ok.txt", ""}, {"C:\\Windows\\x", ""}}, {}, "file entry 1 name"},
        {{{"", ""}}, {}, "file entry 0 name"},
        {{}, {{"..\\Startup", "http://x"}}, "link 0 name"},
        {{}, {{"Doc", "..\\..\\x.htm"}}, "link 0 target"},
        {{}, {{"Site", "http://x\r\nIconFile=C:\\y"}}, "link 0 target"},
    };
    for (const auto& c : cases) {
        TestPackage p;
        p.files = c.files;
        p.links = c.links;
        PackageReader r = open(p.build());
        PackageHeader h;
        ASSERT_TRUE(r.readHeader(h));
        PackageTables t;
        EXPECT_FALSE(r.readTables(h, t)) << c.mentions;
        EXPECT_NE(messageOf(r).find(c.mentions), std::string::npos) << messageOf(r);
    }
}

TEST_F(PackageReaderTest, ChipBlockMustHoldTheMenuFrames) {
    struct Case { std::int32_t frames, width, height; };
    const Case cases[] = {{7, 2, 3}, {8, 0, 3}, {8, 2, -1}, {8, 5000, 1}, {4000, 4000, 4000}};
    for (const auto& c : cases) {
        TestPackage p;
        p.frames = c.frames;
        p.width = c.width;
        p.height = c.height;
        Bytes b;
        if (std::int64_t(c.frames) * c.width * c.height > 1000 || c.width <= 0 || c.height <= 0) {
            p.frames = 8; p.width = 1; p.height = 1;  // build a small one, then patch the fields
            b = p.build();
            std::size_t at = p.headerOffset + kHeaderSize + 4 + p.bmp.size() + 4;
            for (int k = 0; k < 3; ++k) {
                std::int32_t v = k == 0 ? c.frames : k == 1 ? c.width : c.height;
                for (int i = 0; i < 4; ++i) b.data[at + 4 * k + i] = static_cast<std::uint8_t>(v >> (8 * i));
            }
        } else {
            b = p.build();
        }
        PackageReader r = open(b);
        PackageHead head;
        EXPECT_FALSE(r.readHead(head)) << c.frames << " " << c.width << " " << c.height;
        EXPECT_NE(messageOf(r).find("chip block"), std::string::npos) << messageOf(r);
    }
}

TEST_F(PackageReaderTest, PictureBlockSizeIsBounded) {
    TestPackage p;
    Bytes b = p.build();
    std::size_t at = p.headerOffset + kHeaderSize;
    for (std::uint32_t size : {0u, kMaxPictureBytes + 1, 0xFFFFFFFFu}) {
        for (int i = 0; i < 4; ++i) b.data[at + i] = static_cast<std::uint8_t>(size >> (8 * i));
        PackageReader r = open(b);
        PackageHead head;
        EXPECT_FALSE(r.readHead(head));
        EXPECT_NE(messageOf(r).find("picture block size"), std::string::npos) << messageOf(r);
    }
}

TEST_F(PackageReaderTest, FileTableBeyondFourGigabytes) {
    // A sparse package whose file table starts past 4 GB cannot be addressed by
    // setupImageSize (u32), but file data and the link table can lie there.
    TestPackage p;
    Bytes b = p.build();
    b.data.resize(p.headSize());
    const std::uint32_t big = 0xFFFFFF00u;
    b.i32(2).u8(1).text(scrambleName("a")).u32(big);
    TempFolder::writeBytes(path, b.data.data(), b.size());
    const std::uint64_t secondAt = b.size() + std::uint64_t{big};
    {
        fsys::File f = fsys::openUpdate(path);
        ASSERT_EQ(f.seek(static_cast<std::int64_t>(secondAt)), static_cast<std::int64_t>(secondAt) - 0);
        Bytes tail;
        tail.u8(1).text(scrambleName("b")).u32(2).text("zz").u8(0);
        ASSERT_EQ(f.write(tail.data.data(), tail.size()), tail.size());
    }
    PackageReader r(fsys::openRead(path), 64);
    PackageTables t;
    ASSERT_TRUE(r.readTables(p.header(static_cast<std::uint32_t>(p.headSize())), t)) << messageOf(r);
    ASSERT_EQ(t.files.size(), 2u);
    EXPECT_EQ(t.files[1].dataOffset, secondAt + 6);
    EXPECT_GT(t.endOffset, std::uint64_t{1} << 32);
}

}  // namespace
