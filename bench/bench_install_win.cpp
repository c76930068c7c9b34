// The install engine of the Windows program on its own, for the figure under Wine:
//   bench_install_win <package> <install base folder\> <registry INI>
// runs runInstall once (no bars, no Cancel, no shortcuts) and prints one line
//   {"seconds": <wall time of runInstall>, "bytes": <totalInstallSize>, "installed": 0|1}
#include "bench/EngineServices.h"
#include "install/WideText.h"
#include "package/PackageReader.h"

#include <windows.h>

#include <cstdio>

namespace {

bool argument(const wchar_t* wide, std::string& out) {
    auto text = toCp932(wide);
    if (!text) return false;
    out = *text;
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    InstallRequest request;
    if (argc != 4 || !argument(argv[1], request.packagePath) || !argument(argv[2], request.installBaseFolder) ||
        !argument(argv[3], request.registryPath)) {
        std::fprintf(stderr, "usage: bench_install_win PACKAGE BASE\\ INI\n");
        return 2;
    }
    request.createDesktopShortcut = false;
    PackageReader reader(fsys::openRead(request.packagePath));
    if (!reader.readHeader(request.header)) {
        std::fprintf(stderr, "bench_install_win: %s\n",
                     reader.error() ? reader.error()->message.c_str() : "cannot read the header");
        return 1;
    }
    bench::NullObserver observer;
    bench::NoShell shell;
    bench::PrintingReporter reporter;
    InstallServices services{observer, shell, reporter};
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    InstallOutcome outcome = runInstall(request, services);
    QueryPerformanceCounter(&end);
    double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    std::printf("{\"seconds\": %.6f, \"bytes\": %lu, \"installed\": %d}\n", seconds,
                static_cast<unsigned long>(request.header.totalInstallSize), outcome.installed ? 1 : 0);
    return outcome.installed ? 0 : 1;
}
