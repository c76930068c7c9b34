#include "EngineFixtures.h"

#include "install/InstallTexts.h"
#include "install/SettingsRecord.h"
#include "package/Registry.h"
#include "package/SetupBlock.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <optional>

#include <sys/resource.h>

using namespace fixtures;

namespace {

FixturePackage samplePackage() {
    FixturePackage p;
    p.files = {
        {"readme.txt", patternBytes(250, 1)},
        {"data\\voice\\a.ogg", patternBytes(32768, 2)},
        {"data\\b.dat", patternBytes(32769, 3)},
        {"empty.bin", ""},
        // 表 and ソ end in the byte 0x5C: no folder may be cut there.
        {sjis("表\\ソ.txt"), patternBytes(5, 4)},
        {"Tolmar.exe", patternBytes(70000, 5)},
        {"manual\\index.html", "<html></html>"},
    };
    p.links = {
        {"Homepage", "http://example.com/"},
        {"Manual", "manual\\index.html"},
        {"Escape", "..\\..\\outside.html"},
        {"a\\b", "http://example.com/b"},
    };
    return p;
}

std::string recordOf(const FixturePackage& p) {
    std::string record;
    for (const auto& f : p.files) record += f.name + '\0';
    return record;
}

std::string expectedSettings(std::int32_t fullScreen) {
    std::string r(196, '\0');
    std::string font = sjis("ＭＳゴシック");
    r.replace(0, font.size(), font);
    r.replace(64, 8, "save.sav");
    std::int32_t values[] = {fullScreen, 1, 1, 1, 2, 0, 2, 0, 0, 0};
    for (std::size_t i = 0; i < 10; ++i)
        for (int b = 0; b < 4; ++b) r[156 + 4 * i + b] = static_cast<char>(std::uint32_t(values[i]) >> (8 * b));
    return r;
}

std::string shortcut(const std::string& cp932Path) {
    fs::path p = onDisk(cp932Path);
    return fs::exists(p) ? readFile(p) : "(none)";
}

TEST(Install, FreshInstallWritesFilesRecordsShortcutsAndRegistry) {
    World w;
    FixturePackage p = samplePackage();
    InstallOutcome outcome = w.install(p);
    std::string folder = w.folder(p);

    EXPECT_TRUE(outcome.installed);
    EXPECT_TRUE(outcome.registered);
    EXPECT_EQ(outcome.installFolder, folder);
    EXPECT_TRUE(w.reporter.messages.empty());
    for (const auto& f : p.files) EXPECT_EQ(readFile(onDisk(folder + f.name)), f.data) << f.name;
    EXPECT_EQ(readFile(onDisk(folder + "SAMPLE.idf")), recordOf(p));

    std::string head = p.bytes().substr(0, p.setupImageSize());
    std::string setupCopy = readFile(onDisk(folder + "SetUp.exe"));
    ASSERT_EQ(setupCopy.size(), p.setupImageSize());
    std::vector<std::uint8_t> image(setupCopy.begin(), setupCopy.end());
    ASSERT_TRUE(readSetupBlock(image));
    EXPECT_EQ(readSetupBlock(image)->runMode, kRunModeUninstall);
    EXPECT_EQ(readSetupBlock(image)->packageDataOffset, p.headerOffset);
    head.replace(p.setupBlockAt + 4, 4, std::string("\x03\0\0\0", 4));
    EXPECT_EQ(setupCopy, head) << "only the run mode differs from the package head";

    EXPECT_EQ(readFile(onDisk(folder + "env.dat")), expectedSettings(1));

    std::string ini = readFile(onDisk(w.ini));
    EXPECT_NE(ini.find("[Games]"), std::string::npos);
    EXPECT_NE(ini.find("InstCount=1"), std::string::npos);
    EXPECT_NE(ini.find("[SAMPLE]"), std::string::npos);
    EXPECT_NE(ini.find("InstDIR=" + folder), std::string::npos);
    EXPECT_NE(ini.find("Verson=100"), std::string::npos);
    EXPECT_EQ(registry::lookUp(w.ini, "SAMPLE"), w.base);

    std::string launch = sjis("Sample Gameの起動");
    std::string startMenu = w.shell.programs + "Sample Game\\";
    EXPECT_EQ(shortcut(w.shell.desktop + "\\" + launch + ".lnk"),
              folder + "Tolmar.exe|SAMPLE Sample Game|" + launch + "|" + folder);
    EXPECT_EQ(shortcut(startMenu + launch + ".lnk"),
              folder + "Tolmar.exe|SAMPLE \"Sample Game\"|" + launch + "|" + folder);
    EXPECT_EQ(shortcut(startMenu + sjis("アンインストール.lnk")),
              folder + "Setup.exe|SAMPLE Sample Game -1|" + sjis("アンインストール") + "|" + folder);
    EXPECT_EQ(shortcut(startMenu + "Homepage.url"), "URL=http://example.com/");
    EXPECT_EQ(shortcut(startMenu + "Manual.url"), "URL=" + folder + "manual\\index.html");
    EXPECT_EQ(snapshot(w.startMenuOnDisk(p)).size(), 4u) << "the unsafe links are skipped";

    // Nothing of the engine's own bookkeeping is left behind.
    std::map<std::string, std::string> tree = snapshot(w.folderOnDisk(p));
    EXPECT_EQ(tree.size(), p.files.size() + 4 /*folders*/ + 3 /*record, Setup Copy, env.dat*/);
}

TEST(Install, ProgressFollowsChunksAndFiles) {
    World w;
    FixturePackage p = samplePackage();
    w.install(p);
    std::vector<std::string> expectedBegun;
    for (const auto& f : p.files) expectedBegun.push_back(w.folder(p) + f.name);
    EXPECT_EQ(w.observer.begun, expectedBegun);
    // 250 B: one chunk; 32768 B: one; 32769 B: two; empty: none; 5 B: one; 70000 B: three; html: one.
    EXPECT_EQ(w.observer.chunks, 9u);
    EXPECT_EQ(w.observer.totalBar.back(), 100u);
    EXPECT_EQ(w.observer.fileBar.front(), 100u) << "250 bytes: 250 / 2 shows a full bar";
}

TEST(Install, NoDesktopShortcutWhenNotAsked) {
    World w;
    FixturePackage p = samplePackage();
    EXPECT_TRUE(w.install(p, true, false).installed);
    EXPECT_TRUE(fs::is_empty(onDisk(w.shell.desktop)));
    EXPECT_EQ(snapshot(w.startMenuOnDisk(p)).size(), 4u);
}

TEST(Install, DesktopFolderUnknownSkipsOnlyThatShortcut) {
    World w;
    w.shell.hasDesktop = false;
    FixturePackage p = samplePackage();
    EXPECT_TRUE(w.install(p).installed);
    EXPECT_EQ(snapshot(w.startMenuOnDisk(p)).size(), 4u);
}

// A Settings Record kept from an earlier install keeps every byte the player set except
// fullScreen; a short one is completed from a new record.
TEST(Install, ReinstallKeepsSettingsRecordButFullScreen) {
    struct Case {
        std::size_t existingSize;
    } cases[] = {{196}, {100}, {300}, {0}};
    for (const auto& c : cases) {
        World w;
        FixturePackage p = samplePackage();
        std::string existing = patternBytes(c.existingSize, 7);
        writeFile(w.folderOnDisk(p) / "env.dat", existing);

        EXPECT_TRUE(w.install(p, false).installed);

        std::string expected = expectedSettings(0);
        expected.replace(0, std::min<std::size_t>(existing.size(), 196), existing.substr(0, 196));
        expected.replace(156, 4, std::string(4, '\0'));
        if (existing.size() > 196) expected += existing.substr(196);
        EXPECT_EQ(readFile(w.folderOnDisk(p) / "env.dat"), expected) << "existing " << c.existingSize << " bytes";
    }
}

TEST(Install, CancelDuringThirdFileRollsEverythingBack) {
    World w;
    FixturePackage p = samplePackage();
    std::string folder = w.folder(p);
    std::string recordAtCancel;
    bool fourthExisted = true, thirdExisted = false;
    w.observer.cancelInFile = 3;
    w.observer.onCancel = [&] {
        recordAtCancel = readFile(onDisk(folder + "SAMPLE.idf"));
        thirdExisted = fs::exists(onDisk(folder + p.files[2].name));
        fourthExisted = fs::exists(onDisk(folder + p.files[3].name));
    };

    InstallOutcome outcome = w.install(p);

    EXPECT_FALSE(outcome.installed);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(recordAtCancel, p.files[0].name + '\0' + p.files[1].name + '\0' + p.files[2].name + '\0');
    EXPECT_TRUE(thirdExisted);
    EXPECT_FALSE(fourthExisted);
    EXPECT_EQ(w.observer.begun.size(), 3u);
    EXPECT_FALSE(fs::exists(w.folderOnDisk(p)));
    EXPECT_TRUE(fs::is_empty(onDisk(w.shell.desktop)));
    EXPECT_TRUE(fs::is_empty(onDisk(w.shell.programs)));
    EXPECT_FALSE(fs::exists(onDisk(w.ini))) << "an aborted install never touches the registry";
    EXPECT_TRUE(w.reporter.messages.empty());
}

// What any aborted install must leave: a fresh install leaves nothing, a reinstall leaves
// the folder exactly as it was (saves, settings, replaced files, the old record).
enum class Abort { cancel, endsEarly, unsafeName, engineName, noSetupBlock, pathTooLong, diskFull };

// A full disk, as the process sees it: no file may grow beyond `bytes`.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};

struct AbortCase {
    const char* what;
    Abort abort;
    std::string message;  // cp932, "" for none
};

FixturePackage packageFor(Abort abort) {
    FixturePackage p = samplePackage();
    if (abort == Abort::endsEarly) {
        p.links.clear();
        p.cutBytesAtEnd = 1 + 35 + 100;  // link count, the html entry and part of Tolmar.exe
    }
    if (abort == Abort::unsafeName) p.files.insert(p.files.begin() + 3, {"..\\outside.txt", "x"});
    if (abort == Abort::engineName) p.files.insert(p.files.begin() + 3, {"sample.IDF", "not a record"});
    if (abort == Abort::noSetupBlock) p.withSetupBlock = false;
    if (abort == Abort::pathTooLong) p.files.insert(p.files.begin() + 3, {std::string(190, 'n'), "x"});
    return p;
}

void checkRolledBack(World& w, const FixturePackage& p, const std::map<std::string, std::string>& before) {
    EXPECT_EQ(snapshot(w.folderOnDisk(p)), before);
    EXPECT_FALSE(fs::exists(w.tmp.native() / "outside.txt"));
    EXPECT_FALSE(fs::exists(onDisk(w.base + "outside.txt")));
    EXPECT_TRUE(fs::is_empty(onDisk(w.shell.desktop)));
    EXPECT_TRUE(fs::is_empty(onDisk(w.shell.programs)));
    EXPECT_FALSE(fs::exists(onDisk(w.ini)));
}

const std::vector<AbortCase>& abortCases() {
    static const std::vector<AbortCase> cases = {
        {"cancel", Abort::cancel, ""},
        {"package ends early", Abort::endsEarly, texts::kPackageBroken},
        {"unsafe file name", Abort::unsafeName, texts::kCannotCreate},
        {"file named like the Install Record", Abort::engineName, texts::kCannotCreate},
        {"no Setup Block", Abort::noSetupBlock, texts::kNoUninstaller},
        {"path too long", Abort::pathTooLong, texts::kPathTooLong},
        {"disk full", Abort::diskFull, texts::kDiskFull},
    };
    return cases;
}

void runAborted(World& w, const FixturePackage& p, const AbortCase& c) {
    if (c.abort == Abort::cancel) w.observer.cancelInFile = 3;
    InstallRequest request = w.request(p);
    std::optional<FileSizeLimit> limit;
    if (c.abort == Abort::diskFull) limit.emplace(50000);  // Tolmar.exe has 70000 bytes
    InstallOutcome outcome = w.run(request);
    limit.reset();
    EXPECT_FALSE(outcome.installed) << c.what;
    EXPECT_EQ(outcome.cancelled, c.abort == Abort::cancel) << c.what;
    if (c.message.empty()) {
        EXPECT_TRUE(w.reporter.messages.empty()) << c.what;
    } else {
        ASSERT_EQ(w.reporter.messages.size(), 1u) << c.what;
        EXPECT_EQ(w.reporter.messages[0].text.substr(0, c.message.size()), c.message) << c.what;
        EXPECT_EQ(w.reporter.messages[0].caption, "Install") << c.what;
    }
}

TEST(Install, AbortedFreshInstallLeavesNothing) {
    for (const auto& c : abortCases()) {
        SCOPED_TRACE(c.what);
        World w;
        FixturePackage p = packageFor(c.abort);
        runAborted(w, p, c);
        checkRolledBack(w, p, {});
        EXPECT_TRUE(fs::is_empty(onDisk(w.base)));
    }
}

TEST(Install, AbortedReinstallKeepsSavesSettingsAndReplacedFiles) {
    for (const auto& c : abortCases()) {
        SCOPED_TRACE(c.what);
        World w;
        FixturePackage p = packageFor(c.abort);
        fs::path folder = w.folderOnDisk(p);
        writeFile(folder / "env.dat", patternBytes(196, 8));
        writeFile(folder / "slot1.sav", "my save");
        writeFile(folder / "readme.txt", "the player's notes");  // the package has a readme.txt too
        writeFile(folder / "data" / "mine.txt", "kept");
        writeFile(folder / "SAMPLE.idf", std::string("old.txt\0", 8));
        writeFile(folder / "SetUp.exe", "old uninstaller");
        auto before = snapshot(folder);
        runAborted(w, p, c);
        checkRolledBack(w, p, before);
    }
}

TEST(Install, MissingPackageOrBaseFolderIsAFileOpenError) {
    for (int i = 0; i < 2; ++i) {
        World w;
        FixturePackage p = samplePackage();
        InstallRequest r = w.request(p);
        std::string caption;
        if (i == 0) {
            fs::remove(onDisk(w.packagePath));
            caption = w.packagePath;
        } else {
            r.installBaseFolder = w.tmp.path() + "missing/";
            caption = r.installBaseFolder + "SAMPLE\\SAMPLE.idf";
        }
        InstallOutcome outcome = w.run(r);
        EXPECT_FALSE(outcome.installed);
        ASSERT_EQ(w.reporter.messages.size(), 1u);
        EXPECT_EQ(w.reporter.messages[0].text, "File Open Error");
        EXPECT_EQ(w.reporter.messages[0].caption, caption);
        EXPECT_TRUE(fs::is_empty(onDisk(w.base)));
        EXPECT_FALSE(fs::exists(onDisk(w.tmp.path() + "missing")));
    }
}

TEST(Install, LongBaseFolderIsRefusedBeforeAnythingIsMade) {
    World w;
    FixturePackage p = samplePackage();
    InstallRequest r = w.request(p);
    r.installBaseFolder = w.base + std::string(240, 'b') + "/";
    fs::create_directories(onDisk(r.installBaseFolder));
    EXPECT_FALSE(w.run(r).installed);
    ASSERT_EQ(w.reporter.messages.size(), 1u);
    EXPECT_EQ(w.reporter.messages[0].text.substr(0, std::strlen(texts::kPathTooLong)), texts::kPathTooLong);
    EXPECT_TRUE(fs::is_empty(onDisk(r.installBaseFolder)));
}

TEST(Install, SecondInstallCountsUpAndOverwritesItsOwnFiles) {
    World w;
    FixturePackage p = samplePackage();
    ASSERT_TRUE(w.install(p).installed);
    ASSERT_TRUE(w.install(p).installed);
    EXPECT_NE(readFile(onDisk(w.ini)).find("InstCount=2"), std::string::npos);
    EXPECT_EQ(readFile(w.folderOnDisk(p) / "SAMPLE.idf"), recordOf(p));
    EXPECT_EQ(snapshot(w.folderOnDisk(p)).size(), p.files.size() + 4 + 3) << "no set-aside copies remain";
}

}  // namespace

namespace {

TEST(Install, BaseFolderWithoutItsSeparatorGetsOne) {
    World w;
    FixturePackage p = samplePackage();
    InstallRequest r = w.request(p);
    r.installBaseFolder.pop_back();
    InstallOutcome outcome = w.run(r);
    EXPECT_TRUE(outcome.installed);
    EXPECT_EQ(outcome.installFolder, r.installBaseFolder + "\\SAMPLE\\");
    EXPECT_EQ(readFile(w.folderOnDisk(p) / "readme.txt"), p.files[0].data);
}

}  // namespace

namespace {

// The files are all there, so the install stands; only the registry does not name it.
TEST(Install, SettingsOrRegistryFailureLeavesTheGameInstalledButUnregistered) {
    for (bool settingsFail : {true, false}) {
        SCOPED_TRACE(settingsFail ? "env.dat cannot be written" : "registry cannot be written");
        World w;
        FixturePackage p = samplePackage();
        InstallRequest r = w.request(p);
        if (settingsFail)
            fs::create_directories(w.folderOnDisk(p) / "env.dat");
        else
            r.registryPath = w.tmp.path() + "missing/TolmarInstall.INI";
        InstallOutcome outcome = w.run(r);
        EXPECT_TRUE(outcome.installed);
        EXPECT_FALSE(outcome.registered);
        EXPECT_EQ(w.messages(), settingsFail ? std::vector<std::string>{texts::kCannotCreate} : std::vector<std::string>{});
        EXPECT_FALSE(fs::exists(onDisk(w.ini)));
        EXPECT_EQ(readFile(w.folderOnDisk(p) / "Tolmar.exe"), p.files[5].data);
        EXPECT_FALSE(fs::exists(w.folderOnDisk(p) / "SAMPLE.idj"));
    }
}

}  // namespace
