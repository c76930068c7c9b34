#pragma once
// What the install engine needs around it when only the engine itself is measured: no
// bars, no Cancel, no shortcuts (no desktop, no Start menu), messages printed on stderr.
#include "install/InstallEngine.h"
#include "package/Cp932.h"

#include <cstdio>

namespace bench {

struct NullObserver final : InstallObserver {
    void beginFile(const std::string&) override {}
    void fileProgress(unsigned) override {}
    void totalProgress(unsigned) override {}
    bool cancelRequested() override { return false; }
};

struct NoShell final : ShellService {
    std::optional<std::string> desktopFolder() override { return std::nullopt; }
    std::string programsFolder() override { return {}; }
    bool createShellLink(const std::string&, const std::string&, const std::string&, const std::string&,
                         const std::string&) override {
        return true;
    }
    bool createUrlShortcut(const std::string&, const std::string&) override { return true; }
};

struct PrintingReporter final : MessageReporter {
    void showMessage(std::string_view text, std::string_view caption) override {
        std::fprintf(stderr, "%s: %s\n", cp932::toUtf8(caption).c_str(), cp932::toUtf8(text).c_str());
    }
};

}  // namespace bench
