// Installs onto a real small filesystem (a 1 MB tmpfs) that holds the base folder, the
// desktop, the Start menu and the registry, with the free space set from none up to more
// than the install needs. Wherever the disk fills up, the install either completes or tells
// the user and rolls back to the tree as it was; the registry file is always whole; and the
// removal afterwards always leaves the tree as it was.
#include "install/InstallTexts.h"
#include "package/IniFile.h"
#include "tests/unit/install/EngineFixtures.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <sys/statvfs.h>

using namespace fixtures;

namespace {

class SmallFilesystem {
public:
    explicit SmallFilesystem(const fs::path& at) : at_(at) {
        mounted_ = mount("tmpfs", at.c_str(), "tmpfs", 0, "size=1m,nr_inodes=4096") == 0;
        if (!mounted_) why_ = std::strerror(errno);
    }
    ~SmallFilesystem() {
        if (mounted_) umount2(at_.c_str(), MNT_DETACH);
    }
    SmallFilesystem(const SmallFilesystem&) = delete;
    SmallFilesystem& operator=(const SmallFilesystem&) = delete;
    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }

    std::uint64_t freeBytes() const {
        struct statvfs s {};
        statvfs(at_.c_str(), &s);
        return std::uint64_t(s.f_bavail) * s.f_frsize;
    }
    // Takes space with a filler file until `free` bytes are left (rounded to pages).
    void leaveFree(std::uint64_t free) const {
        std::uint64_t now = freeBytes();
        if (now > free) writeFile(at_ / "filler", std::string(now - free, 'f'));
    }

private:
    fs::path at_;
    bool mounted_ = false;
    std::string why_;
};

FixturePackage diskFullPackage() {
    FixturePackage p;
    p.files = {
        {"readme.txt", patternBytes(3000, 1)},
        {"data\\a.dat", patternBytes(90000, 2)},
        {"data\\deep\\b.dat", patternBytes(70000, 3)},
        {"c.dat", patternBytes(0, 4)},
        {"Tolmar.exe", patternBytes(60000, 5)},
    };
    p.links = {{"Homepage", "http://example.com/"}, {"Manual", "readme.txt"}};
    return p;
}

std::string withoutFiller(std::map<std::string, std::string> tree) {
    tree.erase("filler");
    tree.erase("TolmarInstall.INI");
    std::string names;
    for (const auto& [name, bytes] : tree) names += name + (bytes.empty() ? "" : "*") + " ";
    return names;
}

bool registryIsWhole(const fs::path& ini) {
    if (!fs::exists(ini)) return true;
    std::string text = readFile(ini);
    IniFile parsed = IniFile::parse(text);
    // Either it was never written or it holds the whole entry with its line ends.
    return text.empty() || (parsed.get("Games", "InstCount").has_value() && text.size() >= 2 &&
                            text.compare(text.size() - 2, 2, "\r\n") == 0);
}

TEST(DiskFull, WhereverTheDiskFillsTheInstallCompletesOrRollsBack) {
    TempFolder mountPoint, outside;
    SmallFilesystem disk(mountPoint.native());
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.why() << "); needs root";

    const fs::path root = mountPoint.native();
    FixturePackage p = diskFullPackage();
    const std::string packagePath = outside.path() + "game.pkg";
    writeFile(onDisk(packagePath), p.bytes());
    int completed = 0, rolledBack = 0, unregistered = 0;
    for (std::uint64_t free = 0; free <= 320 * 1024; free += 4096) {  // tmpfs counts whole pages
        SCOPED_TRACE("free bytes " + std::to_string(free));
        fs::remove_all(root / "base");
        fs::remove_all(root / "filler");
        for (const char* sub : {"base", "desktop", "programs"}) fs::create_directories(root / sub);
        writeFile(root / "base" / "outside.txt", "o");
        const auto before = snapshot(root);
        disk.leaveFree(free);

        FakeShell shell;
        shell.desktop = mountPoint.path() + "desktop";
        shell.programs = mountPoint.path() + "programs/";
        ScriptedObserver observer;
        CollectingReporter reporter;
        InstallServices services{observer, shell, reporter};
        InstallRequest request;
        request.packagePath = packagePath;
        request.headerOffset = p.headerOffset;
        request.header = p.header();
        request.installBaseFolder = mountPoint.path() + "base/";
        request.registryPath = mountPoint.path() + "TolmarInstall.INI";
        InstallOutcome outcome = runInstall(request, services);

        EXPECT_TRUE(registryIsWhole(root / "TolmarInstall.INI"));
        EXPECT_FALSE(fs::exists(root / "TolmarInstall.INI.tmp"));
        const fs::path folder = root / "base" / "SAMPLE";
        if (outcome.installed && outcome.registered) {
            ++completed;
            EXPECT_TRUE(reporter.messages.empty());
            for (const auto& f : p.files) EXPECT_EQ(readFile(folder / onDisk(f.name)), f.data) << f.name;
        } else if (!outcome.installed) {
            ++rolledBack;
            ASSERT_EQ(reporter.messages.size(), 1u);
            EXPECT_EQ(reporter.messages[0].text, texts::kDiskFull);
            EXPECT_EQ(withoutFiller(snapshot(root)), withoutFiller(before)) << "rolled back";
        } else {
            // Completed, but the disk filled at the Settings Record or the registry: the
            // user is told, the game is not registered, and the removal below cleans it.
            ++unregistered;
            EXPECT_EQ(reporter.messages.size(), 1u);
        }

        fs::remove(root / "filler");
        RemovalRequest removal{outcome.installFolder, p.gameName, p.gameTitle, true, request.registryPath};
        removeInstallation(removal, shell);
        EXPECT_EQ(withoutFiller(snapshot(root)), withoutFiller(before)) << "removed";
        fs::remove(root / "TolmarInstall.INI");
    }
    std::printf("free space steps: %d completed, %d rolled back, %d completed unregistered\n", completed,
                rolledBack, unregistered);
    EXPECT_GT(completed, 0);
    EXPECT_GT(rolledBack, 0);
}

}  // namespace
