#include "EngineFixtures.h"

#include "install/CopyEngine.h"
#include "install/InstallPaths.h"
#include "install/InstallTexts.h"
#include "install/Removal.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// 表 (0x95 0x5C) and ソ (0x83 0x5C) end in the byte of a backslash.
TEST(Paths, DoubleByteCharactersAreNeverCutAtTheirSecondByte) {
    std::string hyo = sjis("表"), so = sjis("ソ");
    EXPECT_EQ(installpath::characterCount(hyo + so + "ab"), 4u);
    EXPECT_EQ(installpath::lastSeparator(hyo), std::string::npos);
    EXPECT_EQ(installpath::folderPrefixes(hyo + "\\" + so + "\\x"), (std::vector<std::string>{hyo, hyo + "\\" + so}));
    EXPECT_EQ(installpath::withSeparator("C:\\" + hyo), "C:\\" + hyo + "\\");
    EXPECT_EQ(installpath::withSeparator("C:\\Games\\"), "C:\\Games\\");
    EXPECT_TRUE(installpath::sameName("Data\\A.DAT", "data\\a.dat"));
    // A folded double-byte character keeps its ASCII-range second byte as it is.
    EXPECT_FALSE(installpath::sameName(sjis("ア"), "\x83" "a"));
}

TEST(Paths, TheWindowsLimitIsInCharacters) {
    std::string folder = "C:\\" + std::string(200, 'a') + "\\";
    EXPECT_TRUE(installpath::fits(folder + std::string(55, 'b')));
    EXPECT_FALSE(installpath::fits(folder + std::string(56, 'b')));
    EXPECT_TRUE(installpath::fits(folder + [] { std::string s; for (int i = 0; i < 55; ++i) s += sjis("表"); return s; }()));
}

TEST(Paths, GameFolderForRemoval) {
    struct Case {
        std::string folder, gameName;
        bool usable;
    } cases[] = {
        {"C:\\Games\\SAMPLE\\", "SAMPLE", true},
        {"C:\\Games\\sample", "SAMPLE", true},
        {"/tmp/base/SAMPLE\\", "SAMPLE", true},
        {"\\\\server\\share\\SAMPLE\\", "SAMPLE", true},
        {"C:\\Games\\" + sjis("表") + "\\", sjis("表"), true},
        {"C:\\Games\\" + sjis("表") + "\\", "\x5C", false},
        {"", "SAMPLE", false},
        {"SAMPLE\\", "SAMPLE", false},
        {"C:\\Games\\", "SAMPLE", false},
        {"C:\\Games\\SAMPLE\\..\\", "SAMPLE", false},
        {"C:\\Games\\XSAMPLE\\", "SAMPLE", false},
        {"C:\\SAMPLE\\", "", false},
        {"C:\\..\\", "..", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isRemovableInstallFolder(c.folder, c.gameName), c.usable) << c.folder << " / " << c.gameName;
}

TEST(Progress, BarPositions) {
    struct Case {
        std::uint64_t done, size;
        unsigned file;
    } fileCases[] = {
        {250, 250, 100},  // 250 / (250 / 100) = 125 shows full
        {0, 50, 0},       {25, 50, 50}, {50, 50, 100}, {1, 99, 1},
        {32768, 65536, 50}, {65536, 65536, 100},
    };
    for (const auto& c : fileCases) EXPECT_EQ(filePercent(c.done, c.size), c.file) << c.done << "/" << c.size;

    struct Total {
        std::uint64_t copied, total;
        unsigned percent;
    } totalCases[] = {
        {25u << 20, 50u << 20, 50},   // 51200 KB: one step per 512 KB
        {(512u << 10) - 1, 50u << 20, 0},
        {512u << 10, 50u << 20, 1},
        {0, 0, 100},                  // nothing to copy is done at once
        {25 << 10, 50 << 10, 50},     // below 100 KB the exact share
        {60 << 10, 50 << 10, 100},
        {std::uint64_t(5) << 30, 0xFFFFFFFFu, 100},
    };
    for (const auto& c : totalCases)
        EXPECT_EQ(totalPercent(c.copied, c.total), c.percent) << c.copied << "/" << c.total;
}

TEST(Copy, EmptyTablesInstallNothingButTheEngineFiles) {
    World w;
    FixturePackage p;
    ASSERT_TRUE(w.install(p).installed);
    EXPECT_EQ(readFile(w.folderOnDisk(p) / "SAMPLE.idf"), "");
    EXPECT_EQ(w.observer.chunks, 0u);
    EXPECT_EQ(snapshot(w.startMenuOnDisk(p)).size(), 2u) << "launch and uninstall shortcuts, no links";
}

TEST(Copy, APackageEndingRightAfterItsFilesHasNoLinks) {
    World w;
    FixturePackage p;
    p.files = {{"a.txt", "a"}};
    p.cutBytesAtEnd = 1;
    EXPECT_TRUE(w.install(p).installed);
    EXPECT_TRUE(w.reporter.messages.empty());
}

TEST(Copy, AHeaderThatDoesNotMatchThePackageIsRefused) {
    World w;
    FixturePackage p;
    p.files = {{"a.txt", "a"}};
    InstallRequest r = w.request(p);
    r.header.setupImageSize = 1u << 30;
    EXPECT_FALSE(w.run(r).installed);
    EXPECT_EQ(w.messages(), std::vector<std::string>{texts::kPackageBroken});
    EXPECT_TRUE(fs::is_empty(onDisk(w.base)));
}

}  // namespace
