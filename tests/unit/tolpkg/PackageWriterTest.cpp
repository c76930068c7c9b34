#include "package/Cp932.h"
#include "package/PackageReader.h"
#include "package/PackageWriter.h"
#include "picture/ChipSheet.h"
#include "tests/unit/tolpkg/TolpkgTestSupport.h"
#include "tools/image/ImageFile.h"
#include "tools/tolpkg/HostFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace {

std::vector<std::uint8_t> smallBmp() {
    Image image{8, 4, 3, patternBytes(8 * 4 * 3, 7)};
    return imageToBmp24(image);
}

std::vector<std::uint8_t> smallChips(int frames = 8) {
    ChipSheet sheet;
    sheet.frameCount = frames, sheet.frameWidth = 2, sheet.frameHeight = 2;
    sheet.pixels.assign(std::size_t(frames) * 4, 1);
    return serializeChipSheet(sheet);
}

PackageContents baseContents() {
    PackageContents c;
    c.programImage = fakeSetupImage();
    std::strcpy(c.header.gameName, "ORBIT");
    std::strcpy(c.header.gameTitle, "Orbit Title");
    c.header.gameVersion = 7;
    c.header.installButtonX = 1, c.header.installButtonY = 2, c.header.quitButtonX = 3, c.header.quitButtonY = 4;
    c.bmp = smallBmp();
    c.chipSheet = smallChips();
    return c;
}

fsys::File openHost(const std::string& path) { return host::openRead(path); }

PackageWriteResult write(const PackageContents& contents, const fs::path& out) {
    fsys::File file = host::openWrite(out);
    PackageWriteResult result = writePackage(file, contents, openHost);
    file.close();
    return result;
}

std::uint32_t u32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}

TEST(PackageWriter, RoundTripKeepsHeaderHeadFilesAndLinks) {
    TempDir dir;
    // The longest name the installer accepts (200 bytes), so scrambling wraps past 0xFF.
    std::string longName = "folder\\" + std::string(200 - 7 - 4, 'n') + ".dat";
    std::string japanese = *cp932::fromUtf8("データ\\表.txt");  // 表 has a 0x5C second byte
    std::map<std::string, std::vector<std::uint8_t>> data = {
        {"empty.bin", {}},
        {"big\\chunks.bin", patternBytes(2500001, 1)},  // several copy chunks
        {longName, patternBytes(300, 2)},
        {japanese, patternBytes(10, 3)},
    };
    PackageContents contents = baseContents();
    int n = 0;
    for (const auto& [name, bytes] : data) {
        fs::path source = dir / ("source" + std::to_string(n++));
        writeAll(source, bytes);
        contents.files.push_back({name, source.string()});
    }
    contents.links = {{"Site", "http://example.com/"}, {"Manual", "big\\chunks.bin"}, {"Docs", "big"}};
    fs::path out = dir / "package.exe";
    PackageWriteResult result = write(contents, out);
    ASSERT_FALSE(result.error) << *result.error;

    std::vector<std::uint8_t> bytes = readAll(out);
    EXPECT_EQ(bytes.size(), result.packageSize);
    EXPECT_EQ(u32At(bytes, 1024), 0x75000u) << "Setup Block offset";
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 4096, bytes.begin() + 0x75000), std::vector<std::uint8_t>(0x75000 - 4096, 0));

    PackageReader reader(host::openRead(out));
    PackageHeader header;
    ASSERT_TRUE(reader.readHeader(header));
    EXPECT_EQ(header.name(), "ORBIT");
    EXPECT_EQ(header.title(), "Orbit Title");
    EXPECT_EQ(header.gameVersion, 7);
    EXPECT_EQ(header.quitButtonY, 4);
    EXPECT_EQ(header.setupImageSize, 0x75000 + 104 + 4 + contents.bmp.size() + 4 + contents.chipSheet.size());
    EXPECT_EQ(header.totalInstallSize, 2500001u + 300 + 10);
    PackageHead head;
    ASSERT_TRUE(reader.readHead(head));
    EXPECT_EQ(head.bmp, contents.bmp);
    EXPECT_EQ(head.chipSheet, contents.chipSheet);
    PackageTables tables;
    ASSERT_TRUE(reader.readTables(header, tables));
    EXPECT_EQ(tables.endOffset, bytes.size());
    ASSERT_EQ(tables.files.size(), data.size());
    for (std::size_t i = 0; i < tables.files.size(); ++i) {
        const auto& entry = tables.files[i];
        EXPECT_EQ(entry.name, contents.files[i].name);
        const auto& expected = data.at(entry.name);
        ASSERT_EQ(entry.size, expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin() + std::ptrdiff_t(entry.dataOffset)));
        // Stored name bytes: plain + 31 + i modulo 256.
        std::size_t nameAt = entry.dataOffset - 4 - entry.name.size();
        EXPECT_EQ(bytes[nameAt - 1], entry.name.size());
        for (std::size_t k = 0; k < entry.name.size(); ++k)
            ASSERT_EQ(bytes[nameAt + k], std::uint8_t(std::uint8_t(entry.name[k]) + 31 + k)) << entry.name << " byte " << k;
    }
    ASSERT_EQ(tables.links.size(), 3u);
    EXPECT_EQ(tables.links[1].name, "Manual");
    EXPECT_EQ(tables.links[1].target, "big\\chunks.bin");
}

TEST(PackageWriter, ByteTwoHundredTwentyFiveOfAScrambledNameIsStoredUnchanged) {
    std::string plain(230, 'a');
    std::string stored = scrambleName(plain);
    EXPECT_EQ(stored[225], 'a');
    EXPECT_EQ(std::uint8_t(stored[0]), 'a' + 31);
    EXPECT_EQ(unscrambleName(stored), plain);
    // Names that long cannot be installed below any folder, so the writer refuses them.
    PackageContents contents = baseContents();
    contents.files.push_back({plain, "unused"});
    auto problem = packageContentsProblem(contents);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("longer"), std::string::npos) << *problem;
}

TEST(PackageWriter, TotalInstallSizeSaturates) {
    struct Case { std::vector<std::uint64_t> sizes; std::uint32_t total; };
    const Case cases[] = {
        {{}, 0},
        {{1, 2, 3}, 6},
        {{0xFFFFFFFFull}, 0xFFFFFFFFu},
        {{0xFFFFFFFFull, 1}, 0xFFFFFFFFu},
        {{0x80000000ull, 0x80000000ull, 5}, 0xFFFFFFFFu},
    };
    for (const Case& c : cases) EXPECT_EQ(saturatedTotal(c.sizes), c.total);
}

TEST(PackageWriter, RefusesContentsThatCannotMakeAGoodPackage) {
    struct Case {
        const char* what;
        void (*change)(PackageContents&);
        const char* message;
    };
    const Case cases[] = {
        {"head past the offset", [](PackageContents& c) { c.programImage.resize(0x75001); }, "larger than the header offset"},
        {"no Setup Block", [](PackageContents& c) { c.programImage.assign(100, 0); }, "Setup Block"},
        {"empty game name", [](PackageContents& c) { c.header.gameName[0] = 0; }, "game name is empty"},
        {"game name with a colon", [](PackageContents& c) { std::strcpy(c.header.gameName, "a:b"); }, "game name"},
        {"title with a backslash", [](PackageContents& c) { std::strcpy(c.header.gameTitle, "a\\b"); }, "game title"},
        {"short chip sheet", [](PackageContents& c) { c.chipSheet.resize(100); }, "chip sheet"},
        {"six frames", [](PackageContents& c) { c.chipSheet = smallChips(6); }, "at least 7 frames"},
        {"climbing name", [](PackageContents& c) { c.files.push_back({"..\\evil.txt", "x"}); }, "evil.txt"},
        {"absolute name", [](PackageContents& c) { c.files.push_back({"C:\\evil.txt", "x"}); }, "drive letter"},
        {"same name twice", [](PackageContents& c) { c.files = {{"Data\\a.txt", "x"}, {"data\\A.TXT", "y"}}; }, "appears twice"},
        {"file that is a folder", [](PackageContents& c) { c.files = {{"a", "x"}, {"a\\b", "y"}}; }, "is also a folder"},
        {"document link to nothing", [](PackageContents& c) { c.links = {{"Manual", "manual\\index.html"}}; }, "not a file or folder"},
        {"link name with a slash", [](PackageContents& c) { c.links = {{"a/b", "http://x"}}; }, "link name"},
        {"link target climbing", [](PackageContents& c) { c.links = {{"Up", "..\\x"}}; }, "target"},
        {"256 links", [](PackageContents& c) { c.links.assign(256, {"x", "http://x"}); }, "255 links"},
    };
    for (const Case& c : cases) {
        PackageContents contents = baseContents();
        c.change(contents);
        auto problem = packageContentsProblem(contents);
        ASSERT_TRUE(problem) << c.what;
        EXPECT_NE(problem->find(c.message), std::string::npos) << c.what << ": " << *problem;
    }
}

TEST(PackageWriter, ReportsASourceFileThatCannotBeOpened) {
    TempDir dir;
    PackageContents contents = baseContents();
    contents.files.push_back({"gone.txt", (dir / "missing").string()});
    PackageWriteResult result = write(contents, dir / "p.exe");
    ASSERT_TRUE(result.error);
    EXPECT_NE(result.error->find("cannot open"), std::string::npos) << *result.error;
}

TEST(PackageWriter, RefusesASourceFileOf4GB) {
    TempDir dir;
    fs::path huge = dir / "huge.bin";
    writeAll(huge, {});
    std::error_code ec;
    fs::resize_file(huge, 0x100000000ull, ec);  // sparse: nothing is written
    if (ec) GTEST_SKIP() << "no sparse files here";
    PackageContents contents = baseContents();
    contents.files.push_back({"huge.bin", huge.string()});
    PackageWriteResult result = write(contents, dir / "p.exe");
    ASSERT_TRUE(result.error);
    EXPECT_NE(result.error->find("4 GB"), std::string::npos) << *result.error;
}

}  // namespace
