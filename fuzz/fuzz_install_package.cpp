#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "FuzzReporter.h"
#include "install/InstallEngine.h"
#include "package/PackageReader.h"
#include "tests/unit/install/EngineFixtures.h"

// The input is an Install Package (header at kFuzzHeaderOffset, so that the 16 bytes before
// it are just the Setup Block) installed into a scratch base folder and then removed.
// Whatever the package holds, the install may write only into the game folder, the
// Start-menu folder, the desktop and the registry, and the removal afterwards must leave
// the scratch tree as it was before.
namespace {

namespace fs = std::filesystem;
using fixtures::snapshot;

constexpr std::uint32_t kFuzzHeaderOffset = 16;

struct NoObserver final : InstallObserver {
    void beginFile(const std::string&) override {}
    void fileProgress(unsigned) override {}
    void totalProgress(unsigned) override {}
    bool cancelRequested() override { return false; }
};

struct Scratch {
    fs::path root = fs::temp_directory_path() / ("tolmar-fuzz-install-" + std::to_string(getpid()));
    std::string path = root.string() + "/";
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    // The other game's folders end in a dot, which no gameName or gameTitle may: a package
    // cannot name them as its own (a reinstall replaces files in its own folders by design).
    void reset() const {
        fs::remove_all(root);
        for (const char* sub : {"base/other.", "desktop", "programs/Other."}) fs::create_directories(root / sub);
        fixtures::writeFile(root / "victim.txt", "v");
        fixtures::writeFile(root / "base" / "outside.txt", "o");
        fixtures::writeFile(root / "base" / "other." / "keep.dat", "k");
        fixtures::writeFile(root / "programs" / "Other." / "keep.url", "u");
    }
};

void check(bool condition) {
    if (!condition) std::abort();
}

bool startsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// Only the game folder, the game's Start-menu folder, the desktop and the registry change.
void checkWrittenOnlyWhereAllowed(const std::map<std::string, std::string>& before,
                                  const std::map<std::string, std::string>& after, const PackageHeader& header) {
    const std::string game = "base/" + cp932::toUtf8(header.name()) + "/";
    const std::string menu = "programs/" + cp932::toUtf8(header.title()) + "/";
    for (const auto& [name, bytes] : after) {
        auto old = before.find(name);
        if (old != before.end() && old->second == bytes) continue;
        check(startsWith(name, game) || name + "/" == game || startsWith(name, menu) || name + "/" == menu ||
              startsWith(name, "desktop/") || startsWith(name, "TolmarInstall.INI"));
    }
    for (const auto& [name, bytes] : before) check(after.count(name) != 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Scratch scratch;
    scratch.reset();
    const std::string packagePath = scratch.path + "game.pkg";
    fixtures::writeFile(scratch.root / "game.pkg", std::string(reinterpret_cast<const char*>(data), size));
    const auto before = snapshot(scratch.root);

    InstallRequest request;
    request.packagePath = packagePath;
    request.headerOffset = kFuzzHeaderOffset;
    PackageReader reader(fsys::openRead(packagePath), kFuzzHeaderOffset);
    if (!reader.readHeader(request.header)) return 0;
    request.installBaseFolder = scratch.path + "base/";
    request.registryPath = scratch.path + "TolmarInstall.INI";

    fixtures::FakeShell shell;
    shell.desktop = scratch.path + "desktop";
    shell.programs = scratch.path + "programs/";
    NoObserver observer;
    DiscardingReporter reporter;
    InstallServices services{observer, shell, reporter};
    const InstallOutcome outcome = runInstall(request, services);
    const auto installed = snapshot(scratch.root);
    checkWrittenOnlyWhereAllowed(before, installed, request.header);
    if (!outcome.installed) {
        auto unchanged = installed;
        unchanged.erase("TolmarInstall.INI");
        check(unchanged == before);
    }

    RemovalRequest removal;
    removal.installFolder = outcome.installFolder;
    removal.gameName = request.header.name();
    removal.gameTitle = request.header.title();
    removal.registryPath = request.registryPath;
    removeInstallation(removal, shell);
    auto removed = snapshot(scratch.root);
    removed.erase("TolmarInstall.INI");
    check(removed == before);
    return 0;
}
