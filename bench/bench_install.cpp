// The native install engine on real packages:
//   install/<package>   runInstall of the whole package into a fresh folder (the folder is
//                       deleted untimed between repetitions); counter peak_rss_kb;
//   remove/<package>    removeInstallation of a fresh install of the package.
// Packages come from the environment (scripts/bench makes them):
//   TOLMAR_BENCH_INSTALL  packages to install, ':'-separated
//   TOLMAR_BENCH_REMOVE   packages to install untimed and then remove, ':'-separated
//   TOLMAR_BENCH_OUT      scratch folder for the installs (default /tmp)
//   TOLMAR_BENCH_KEEP=1   leave the last install in place (the caller deletes it later:
//                         files deleted just before slow down the next creations)
#include "bench/EngineServices.h"
#include "package/PackageReader.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> pathList(const char* variable) {
    std::vector<std::string> paths;
    const char* text = std::getenv(variable);
    std::string all = text ? text : "";
    for (std::size_t start = 0; start < all.size();) {
        std::size_t end = all.find(':', start);
        if (end == std::string::npos) end = all.size();
        if (end > start) paths.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return paths;
}

std::string scratchFolder() {
    const char* text = std::getenv("TOLMAR_BENCH_OUT");
    return text && *text ? text : "/tmp";
}

bool keepLastInstall() {
    const char* text = std::getenv("TOLMAR_BENCH_KEEP");
    return text && std::string(text) == "1";
}

struct Prepared {
    InstallRequest request;
    std::string base;  // ends in '/'
};

Prepared prepare(const std::string& package, const std::string& label) {
    Prepared p;
    p.base = scratchFolder() + "/" + label + "/";
    fs::remove_all(p.base);
    fs::create_directories(p.base);
    p.request.packagePath = package;
    p.request.installBaseFolder = p.base;
    p.request.createDesktopShortcut = false;
    p.request.registryPath = p.base + "TolmarInstall.INI";
    PackageReader reader(fsys::openRead(package));
    if (!reader.readHeader(p.request.header)) {
        std::fprintf(stderr, "bench_install: %s: %s\n", package.c_str(),
                     reader.error() ? reader.error()->message.c_str() : "cannot read the header");
        std::exit(1);
    }
    return p;
}

InstallOutcome install(const Prepared& p) {
    bench::NullObserver observer;
    bench::NoShell shell;
    bench::PrintingReporter reporter;
    InstallServices services{observer, shell, reporter};
    return runInstall(p.request, services);
}

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void installPackage(benchmark::State& state, std::string package) {
    Prepared p = prepare(package, "install");
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        InstallOutcome outcome = install(p);
        state.PauseTiming();
        if (!outcome.installed) state.SkipWithError("the install failed");
        bytes += p.request.header.totalInstallSize;
        if (!keepLastInstall() || state.iterations() > 1) fs::remove_all(p.base + p.request.header.name());
        state.ResumeTiming();
    }
    state.SetBytesProcessed(std::int64_t(bytes));
    state.counters["peak_rss_kb"] = double(peakRssKb());
    state.counters["package_bytes"] = double(fs::file_size(package));
}

void removePackage(benchmark::State& state, std::string package) {
    Prepared p = prepare(package, "remove");
    bench::NoShell shell;
    for (auto _ : state) {
        state.PauseTiming();
        InstallOutcome outcome = install(p);
        if (!outcome.installed) state.SkipWithError("the install failed");
        RemovalRequest removal{outcome.installFolder, p.request.header.name(), p.request.header.title(), true,
                               p.request.registryPath};
        state.ResumeTiming();
        removeInstallation(removal, shell);
        state.PauseTiming();
        if (fs::exists(p.base + p.request.header.name())) state.SkipWithError("the removal left the folder");
        state.ResumeTiming();
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (const auto& package : pathList("TOLMAR_BENCH_INSTALL"))
        benchmark::RegisterBenchmark(("install/" + fs::path(package).filename().string()).c_str(), installPackage, package)
            ->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
    for (const auto& package : pathList("TOLMAR_BENCH_REMOVE"))
        benchmark::RegisterBenchmark(("remove/" + fs::path(package).filename().string()).c_str(), removePackage, package)
            ->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
