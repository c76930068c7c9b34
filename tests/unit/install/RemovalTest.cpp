#include "EngineFixtures.h"

#include "package/Registry.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

FixturePackage smallPackage() {
    FixturePackage p;
    p.files = {
        {"readme.txt", "read me"},
        {"data\\a.dat", patternBytes(40000, 1)},
        {"data\\b.dat", "b"},
        {"data\\sub\\c.dat", "c"},
        {"Tolmar.exe", patternBytes(1000, 2)},
    };
    p.links = {{"Homepage", "http://example.com/"}};
    return p;
}

std::string nulList(std::initializer_list<std::string> names) {
    std::string out;
    for (const auto& n : names) out += n + '\0';
    return out;
}

TEST(Removal, FollowsTheRecordWithAndWithoutSaveData) {
    struct Case {
        bool deleteSaveData;
        std::set<std::string> left;  // what stays in the game folder
    } cases[] = {
        {true, {"data/", "data/mine.txt"}},
        {false, {"data/", "data/mine.txt", "env.dat", "slot1.sav", "slot2.SAV"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.deleteSaveData ? "deleting save data" : "keeping save data");
        World w;
        FixturePackage p = smallPackage();
        ASSERT_TRUE(w.install(p).installed);
        fs::path folder = w.folderOnDisk(p);
        writeFile(folder / "slot1.sav", "1");
        writeFile(folder / "slot2.SAV", "2");
        writeFile(folder / "data" / "mine.txt", "the player's own file");
        writeFile(w.startMenuOnDisk(p) / "put-there-by-user.txt", "x");

        w.remove(p, c.deleteSaveData);

        std::set<std::string> left;
        for (const auto& [name, bytes] : snapshot(folder)) left.insert(name);
        EXPECT_EQ(left, c.left);
        EXPECT_TRUE(fs::is_empty(onDisk(w.shell.desktop)));
        EXPECT_FALSE(fs::exists(w.startMenuOnDisk(p)));
        EXPECT_TRUE(fs::exists(onDisk(w.shell.programs)));
        EXPECT_EQ(registry::installFolderOf(w.ini, "SAMPLE"), "");
        EXPECT_NE(readFile(onDisk(w.ini)).find("InstCount=0"), std::string::npos);
    }
}

TEST(Removal, EmptiedFoldersGoDeepestFirstAndTheGameFolderLast) {
    World w;
    FixturePackage p = smallPackage();
    ASSERT_TRUE(w.install(p).installed);
    w.remove(p, true);
    EXPECT_FALSE(fs::exists(w.folderOnDisk(p)));
    EXPECT_TRUE(fs::exists(onDisk(w.base)));
}

TEST(Removal, UnsafeRecordEntriesAreSkipped) {
    World w;
    FixturePackage p = smallPackage();
    fs::path folder = w.folderOnDisk(p);
    fs::path victimBeside = onDisk(w.base) / "victim.txt";
    fs::path victimAbsolute = w.tmp.native() / "victim.txt";
    writeFile(victimBeside, "v");
    writeFile(victimAbsolute, "v");
    writeFile(folder / "ok.txt", "ok");
    writeFile(folder / "last.txt", "not terminated");
    writeFile(folder / "sub" / "x.txt", "x");
    std::string absolute = victimAbsolute.string();
    std::string record = nulList({"..\\victim.txt", "sub\\..\\..\\victim.txt", absolute, "\\" + absolute,
                                  "C:\\victim.txt", "c:victim.txt", "\\\\server\\share\\victim.txt", "a:b", "",
                                  std::string(5000, 'z'), "ok.txt"}) +
                         patternBytes(3 << 20, 9) + std::string(1, '\0') + "last.txt";
    writeFile(folder / "SAMPLE.idf", record);

    w.remove(p, false);

    EXPECT_TRUE(fs::exists(victimBeside));
    EXPECT_TRUE(fs::exists(victimAbsolute));
    EXPECT_FALSE(fs::exists(folder / "ok.txt"));
    EXPECT_TRUE(fs::exists(folder / "last.txt")) << "an entry without its NUL is not taken";
    EXPECT_TRUE(fs::exists(folder / "sub" / "x.txt"));
    EXPECT_FALSE(fs::exists(folder / "SAMPLE.idf"));
}

// A registry entry (or a record) that points at a folder the game does not own deletes no
// file there; the registry entry is still cleared.
TEST(Removal, OnlyTheGamesOwnFolderIsWorkedIn) {
    World w;
    FixturePackage p = smallPackage();
    ASSERT_TRUE(w.install(p).installed);
    writeFile(onDisk(w.base) / "SAMPLE.idf", nulList({"SAMPLE\\readme.txt"}));
    writeFile(onDisk(w.base) / "env.dat", "not the game's");
    auto before = snapshot(onDisk(w.base));
    for (std::string folder : {std::string(), std::string("SAMPLE\\"), w.base, w.base + "OTHER\\", w.base + "SAMPLEX\\",
                               w.folder(p) + "..\\"}) {
        SCOPED_TRACE(folder);
        RemovalRequest r{folder, "SAMPLE", "Sample Game", true, w.ini};
        removeInstallation(r, w.shell);
        EXPECT_EQ(snapshot(onDisk(w.base)), before);
    }
    EXPECT_EQ(registry::installFolderOf(w.ini, "SAMPLE"), "");
}

TEST(Removal, NeverTouchesTheProgramsFolderItself) {
    for (std::string title : {std::string(), std::string(".."), std::string("a\\b"), std::string("..\\desktop")}) {
        SCOPED_TRACE(title);
        World w;
        writeFile(onDisk(w.shell.programs) / "other.lnk", "x");
        writeFile(onDisk(w.shell.desktop) / "keep.lnk", "x");
        RemovalRequest r{w.base + "SAMPLE\\", "SAMPLE", title, true, w.ini};
        removeInstallation(r, w.shell);
        EXPECT_TRUE(fs::exists(onDisk(w.shell.programs) / "other.lnk"));
        EXPECT_TRUE(fs::exists(onDisk(w.shell.desktop) / "keep.lnk"));
    }
}

TEST(Removal, WithoutARecordTheKnownNamesStillGo) {
    World w;
    FixturePackage p = smallPackage();
    ASSERT_TRUE(w.install(p).installed);
    fs::path folder = w.folderOnDisk(p);
    fs::remove(folder / "SAMPLE.idf");
    w.remove(p, true);
    EXPECT_FALSE(fs::exists(folder / "SetUp.exe"));
    EXPECT_FALSE(fs::exists(folder / "env.dat"));
    EXPECT_TRUE(fs::exists(folder / "readme.txt")) << "unlisted files are not the removal's";
    EXPECT_FALSE(fs::exists(w.startMenuOnDisk(p)));
}

}  // namespace
