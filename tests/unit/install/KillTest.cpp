// The engine stopped dead (SIGKILL) at many points of an install: what it leaves must
// always be removable, and an unfinished reinstall must always be undone to the folder as
// it was.
#include "EngineFixtures.h"

#include "install/InstallJournal.h"
#include "package/Registry.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace fixtures;

namespace {

FixturePackage killPackage() {
    FixturePackage p;
    p.files = {
        {"readme.txt", patternBytes(100000, 1)},  // four chunks each
        {"data\\a.dat", patternBytes(100000, 2)},
        {"data\\deep\\b.dat", patternBytes(100000, 3)},
        {"c.dat", patternBytes(100000, 4)},
        {"Tolmar.exe", patternBytes(100000, 5)},
    };
    p.links = {{"Homepage", "http://example.com/"}};
    return p;
}
constexpr int kChunks = 20;
constexpr int kShortcuts = 4;

struct KillPoint {
    const char* variable;
    int count;
};

std::vector<KillPoint> killPoints() {
    std::vector<KillPoint> points;
    for (int k = 1; k <= kChunks; ++k) points.push_back({"TOLMAR_KILL_AFTER_CHUNKS", k});
    for (int k = 1; k <= kShortcuts; ++k) points.push_back({"TOLMAR_KILL_AT_SHORTCUT", k});
    return points;
}

// Runs engine_cli install and returns its wait status.
int installKilledAt(World& w, const FixturePackage& p, const KillPoint& point) {
    writeFile(onDisk(w.packagePath), p.bytes());
    std::vector<std::string> args = {ENGINE_CLI_PATH, "install", w.packagePath, w.base, w.ini,
                                     "--header-offset", std::to_string(p.headerOffset),
                                     "--desktop", w.shell.desktop, "--programs", w.shell.programs};
    pid_t pid = fork();
    if (pid == 0) {
        setenv(point.variable, std::to_string(point.count).c_str(), 1);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

std::vector<std::string> recordNames(const fs::path& record) {
    std::vector<std::string> names;
    std::string bytes = readFile(record), name;
    for (char c : bytes) {
        if (c == '\0') {
            names.push_back(name);
            name.clear();
        } else {
            name += c;
        }
    }
    return names;
}

bool wasKilled(int status) { return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL; }

TEST(Kill, AFreshInstallKilledAnywhereIsRemovedCompletely) {
    for (const auto& point : killPoints()) {
        SCOPED_TRACE(std::string(point.variable) + "=" + std::to_string(point.count));
        World w;
        FixturePackage p = killPackage();
        ASSERT_TRUE(wasKilled(installKilledAt(w, p, point)));
        std::vector<std::string> listed = recordNames(w.folderOnDisk(p) / "SAMPLE.idf");
        if (point.variable == std::string("TOLMAR_KILL_AFTER_CHUNKS")) {
            EXPECT_EQ(listed.size(), std::size_t((point.count - 1) / 4 + 1));
        }
        EXPECT_FALSE(fs::exists(onDisk(w.ini))) << "the registry is written only once all else is done";
        bool pastTheCopy = point.variable == std::string("TOLMAR_KILL_AT_SHORTCUT");
        EXPECT_EQ(fs::exists(w.folderOnDisk(p) / "SetUp.exe"), pastTheCopy);

        w.remove(p, true);

        for (const auto& name : listed) EXPECT_FALSE(fs::exists(onDisk(w.folder(p) + name))) << name;
        EXPECT_FALSE(fs::exists(w.folderOnDisk(p)));
        EXPECT_FALSE(fs::exists(w.startMenuOnDisk(p)));
        EXPECT_TRUE(fs::is_empty(onDisk(w.shell.desktop)));
        EXPECT_EQ(registry::installFolderOf(w.ini, "SAMPLE"), "");
    }
}

TEST(Kill, AnUnfinishedReinstallIsUndoneToTheFolderAsItWas) {
    for (const auto& point : killPoints()) {
        SCOPED_TRACE(std::string(point.variable) + "=" + std::to_string(point.count));
        World w;
        FixturePackage p = killPackage();
        fs::path folder = w.folderOnDisk(p);
        writeFile(folder / "env.dat", patternBytes(196, 6));
        writeFile(folder / "slot1.sav", "my save");
        writeFile(folder / "c.dat", "the player's c.dat");
        writeFile(folder / "data" / "mine.txt", "mine");
        writeFile(folder / "SetUp.exe", "old uninstaller");
        auto before = snapshot(folder);
        ASSERT_TRUE(wasKilled(installKilledAt(w, p, point)));
        ASSERT_TRUE(fs::exists(folder / "SAMPLE.idj")) << "cut off in the middle";

        recoverUnfinishedInstall(w.folder(p), p.gameName);

        EXPECT_EQ(snapshot(folder), before);
    }
}

TEST(Kill, TheNextInstallFinishesOverAKilledOne) {
    World w;
    FixturePackage p = killPackage();
    fs::path folder = w.folderOnDisk(p);
    writeFile(folder / "c.dat", "the player's c.dat");
    writeFile(folder / "slot1.sav", "my save");
    ASSERT_TRUE(wasKilled(installKilledAt(w, p, {"TOLMAR_KILL_AFTER_CHUNKS", 15})));

    ASSERT_TRUE(w.install(p).installed);

    for (const auto& f : p.files) EXPECT_EQ(readFile(onDisk(w.folder(p) + f.name)), f.data) << f.name;
    EXPECT_EQ(readFile(folder / "slot1.sav"), "my save");
    std::set<std::string> names;
    for (const auto& [name, bytes] : snapshot(folder)) names.insert(name);
    EXPECT_EQ(names, (std::set<std::string>{"readme.txt", "data/", "data/a.dat", "data/deep/", "data/deep/b.dat", "c.dat",
                                            "Tolmar.exe", "SAMPLE.idf", "SetUp.exe", "env.dat", "slot1.sav"}));
}

}  // namespace
