// Drives the install engine from a command line with the test shell (marker files for
// shortcuts), so that a test can stop it dead at chosen points:
//   TOLMAR_KILL_AFTER_CHUNKS=N   the process kills itself after the Nth copied chunk,
//   TOLMAR_KILL_AT_SHORTCUT=K    ... before the Kth shortcut file.
// Exit code 0 when the install or removal ran to its end, 1 when the install was aborted.
#include "EngineFixtures.h"

#include "package/PackageReader.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <csignal>

namespace {

struct PrintingReporter final : MessageReporter {
    void showMessage(std::string_view text, std::string_view caption) override {
        std::fprintf(stderr, "%s: %s\n", cp932::toUtf8(caption).c_str(), cp932::toUtf8(text).c_str());
    }
};

struct KillingObserver final : InstallObserver {
    unsigned long killAfter = 0, chunks = 0;
    void beginFile(const std::string&) override {}
    void fileProgress(unsigned) override {}
    void totalProgress(unsigned) override {
        if (killAfter != 0 && ++chunks == killAfter) std::raise(SIGKILL);
    }
    bool cancelRequested() override { return false; }
};

unsigned long envNumber(const char* name) {
    const char* text = std::getenv(name);
    return text ? std::strtoul(text, nullptr, 10) : 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"install engine driver for tests"};
    app.require_subcommand(1);
    std::string desktop, programs, ini;
    fixtures::FakeShell shell;
    unsigned long killAtShortcut = envNumber("TOLMAR_KILL_AT_SHORTCUT"), shortcuts = 0;
    shell.beforeShortcut = [&] {
        if (killAtShortcut != 0 && ++shortcuts == killAtShortcut) std::raise(SIGKILL);
    };

    InstallRequest install;
    bool noDesktop = false, windowed = false;
    auto* in = app.add_subcommand("install", "install a package");
    in->add_option("package", install.packagePath)->required();
    in->add_option("base", install.installBaseFolder, "install base folder, with its separator")->required();
    in->add_option("ini", ini)->required();
    in->add_option("--header-offset", install.headerOffset);
    in->add_flag("--no-desktop", noDesktop);
    in->add_flag("--windowed", windowed);

    RemovalRequest removal;
    bool keepSaves = false;
    auto* rm = app.add_subcommand("remove", "remove an installation");
    rm->add_option("folder", removal.installFolder)->required();
    rm->add_option("name", removal.gameName)->required();
    rm->add_option("title", removal.gameTitle)->required();
    rm->add_option("ini", ini)->required();
    rm->add_flag("--keep-saves", keepSaves);

    for (auto* sub : {in, rm}) {
        sub->add_option("--desktop", desktop)->required();
        sub->add_option("--programs", programs)->required();
    }
    CLI11_PARSE(app, argc, argv);
    shell.desktop = desktop;
    shell.programs = programs;

    if (*rm) {
        removal.deleteSaveData = !keepSaves;
        removal.registryPath = ini;
        removeInstallation(removal, shell);
        return 0;
    }
    PackageReader reader(fsys::openRead(install.packagePath), install.headerOffset);
    if (!reader.readHeader(install.header)) {
        std::fprintf(stderr, "%s\n", reader.error() ? reader.error()->message.c_str() : "cannot read the header");
        return 1;
    }
    install.createDesktopShortcut = !noDesktop;
    install.fullScreenStart = !windowed;
    install.registryPath = ini;
    KillingObserver observer;
    observer.killAfter = envNumber("TOLMAR_KILL_AFTER_CHUNKS");
    PrintingReporter reporter;
    InstallServices services{observer, shell, reporter};
    return runInstall(install, services).installed ? 0 : 1;
}
