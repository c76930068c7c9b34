#pragma once
// Small fixtures for the install engine tests: temporary folders, packages built byte by
// byte (so that broken ones are as easy as good ones), a shell that writes marker files,
// an observer that follows a script, and a look at whole folder trees.
#include "install/InstallEngine.h"
#include "package/Cp932.h"
#include "package/PackageFormat.h"
#include "package/PackageReader.h"

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace fixtures {

namespace fs = std::filesystem;

// cp932 program path (ASCII folders, maybe Japanese names) to the file's place on disk.
inline fs::path onDisk(const std::string& cp932Path) {
    std::string utf8 = cp932::toUtf8(cp932Path);
    for (char& c : utf8)
        if (c == '\\') c = '/';
    return fs::path(utf8);
}

inline std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class TempFolder {
public:
    TempFolder() {
        std::random_device rd;
        root_ = fs::temp_directory_path() / ("tolmar-engine-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(root_);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // As the program spells folders: with a trailing separator.
    std::string path() const { return root_.string() + "/"; }
    fs::path native() const { return root_; }

private:
    fs::path root_;
};

// Every file (with its bytes) and folder (with a trailing '/') below `root`, by relative
// UTF-8 path.
inline std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> tree;
    if (!fs::exists(root)) return tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string rel = fs::relative(entry.path(), root).string();
        if (entry.is_directory())
            tree[rel + "/"] = "";
        else
            tree[rel] = readFile(entry.path());
    }
    return tree;
}

inline std::string patternBytes(std::size_t n, unsigned seed) {
    std::string out(n, '\0');
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char>((i * 31 + seed * 17 + (i >> 8)) & 0xFF);
    return out;
}

struct FixtureFile {
    std::string name;  // plain cp932 name as stored (before scrambling)
    std::string data;
};

struct FixturePackage {
    std::uint32_t headerOffset = 4096;
    std::string gameName = "SAMPLE";
    std::string gameTitle = "Sample Game";
    std::int32_t gameVersion = 100;
    bool withSetupBlock = true;
    std::size_t setupBlockAt = 1000;
    std::vector<FixtureFile> files;
    std::vector<PackageLink> links;
    std::size_t cutBytesAtEnd = 0;  // a package that ends early

    std::uint32_t setupImageSize() const { return headerOffset + 104 + 4 + 4 + 780; }

    PackageHeader header() const {
        PackageHeader h;
        std::copy(gameName.begin(), gameName.end(), h.gameName);
        std::copy(gameTitle.begin(), gameTitle.end(), h.gameTitle);
        h.gameVersion = gameVersion;
        h.setupImageSize = setupImageSize();
        std::uint64_t total = 0;
        for (const auto& f : files) total += f.data.size();
        h.totalInstallSize = static_cast<std::uint32_t>(total);
        return h;
    }

    std::string bytes() const {
        std::string out = patternBytes(headerOffset, 99);
        auto put32 = [](std::string& s, std::size_t at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
        };
        if (withSetupBlock) {
            put32(out, setupBlockAt, headerOffset);
            put32(out, setupBlockAt + 4, kRunModeInstall);
            out.replace(setupBlockAt + 8, 4, "VRDN");
            put32(out, setupBlockAt + 12, 0);
        }
        auto head = serializePackageHeader(header());
        out.append(head.begin(), head.end());
        out.append(4 + 4 + 780, '\0');  // empty picture block, unused word, chip block
        auto append32 = [&out](std::uint32_t v) {
            for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
        };
        append32(static_cast<std::uint32_t>(files.size()));
        for (const auto& f : files) {
            out += static_cast<char>(f.name.size());
            out += scrambleName(f.name);
            append32(static_cast<std::uint32_t>(f.data.size()));
            out += f.data;
        }
        out += static_cast<char>(links.size());
        for (const auto& l : links) {
            out += static_cast<char>(l.name.size());
            out += l.name;
            out += static_cast<char>(l.target.size());
            out += l.target;
        }
        out.resize(out.size() - std::min(cutBytesAtEnd, out.size()));
        return out;
    }
};

// The shortcut files become small text files: "target|arguments|description|folder" for a
// shell link, "URL=<url>" for an Internet shortcut.
struct FakeShell final : ShellService {
    std::string desktop, programs;  // desktop without, programs with trailing separator
    bool hasDesktop = true;
    std::function<void()> beforeShortcut;  // lets a test stop the process here

    std::optional<std::string> desktopFolder() override {
        if (!hasDesktop) return std::nullopt;
        return desktop;
    }
    std::string programsFolder() override { return programs; }
    bool createShellLink(const std::string& target, const std::string& linkFile, const std::string& description,
                         const std::string& arguments, const std::string& workingFolder) override {
        if (beforeShortcut) beforeShortcut();
        return write(linkFile, target + "|" + arguments + "|" + description + "|" + workingFolder);
    }
    bool createUrlShortcut(const std::string& file, const std::string& url) override {
        if (beforeShortcut) beforeShortcut();
        return write(file, "URL=" + url);
    }

private:
    static bool write(const std::string& cp932Path, const std::string& text) {
        fs::path p = onDisk(cp932Path);
        if (!fs::is_directory(p.parent_path())) return false;
        std::ofstream out(p, std::ios::binary);
        out << text;
        return bool(out);
    }
};

struct ScriptedObserver final : InstallObserver {
    std::vector<std::string> begun;           // full paths, in order
    std::vector<unsigned> fileBar, totalBar;  // every position set
    std::size_t chunks = 0;
    std::size_t chunksInFile = 0;
    std::size_t cancelInFile = 0;             // 1-based; 0 never
    std::function<void()> onCancel;           // looks at the disk when Cancel is pressed
    std::function<void(std::size_t chunks)> afterChunk;

    void beginFile(const std::string& fullPath) override {
        begun.push_back(fullPath);
        chunksInFile = 0;
    }
    void fileProgress(unsigned percent) override { fileBar.push_back(percent); }
    void totalProgress(unsigned percent) override {
        totalBar.push_back(percent);
        ++chunks;
        ++chunksInFile;
        if (afterChunk) afterChunk(chunks);
    }
    bool cancelRequested() override {
        bool cancel = cancelInFile != 0 && begun.size() == cancelInFile;
        if (cancel && onCancel) onCancel();
        return cancel;
    }
};

}  // namespace fixtures

namespace fixtures {

inline std::string sjis(const char* utf8) { return cp932::fromUtf8(utf8).value(); }

// A base folder, desktop, programs folder and registry file in one temporary folder.
struct World {
    TempFolder tmp;
    FakeShell shell;
    CollectingReporter reporter;
    ScriptedObserver observer;
    std::string base, ini, packagePath;

    World() {
        // Long enough that a long file name can overrun a Windows path below it.
        base = tmp.path() + "base/" + std::string(40, 'g') + "/";
        shell.desktop = tmp.path() + "desktop";
        shell.programs = tmp.path() + "programs/";
        ini = tmp.path() + "TolmarInstall.INI";
        packagePath = tmp.path() + "game.pkg";
        fs::create_directories(onDisk(base));
        for (const char* sub : {"desktop", "programs"}) fs::create_directories(tmp.native() / sub);
    }

    std::string folder(const FixturePackage& p) const { return base + p.gameName + "\\"; }
    fs::path folderOnDisk(const FixturePackage& p) const { return onDisk(folder(p)); }
    fs::path startMenuOnDisk(const FixturePackage& p) const { return onDisk(shell.programs + p.gameTitle); }

    InstallRequest request(const FixturePackage& p) {
        writeFile(onDisk(packagePath), p.bytes());
        InstallRequest r;
        r.packagePath = packagePath;
        r.headerOffset = p.headerOffset;
        r.header = p.header();
        r.installBaseFolder = base;
        r.registryPath = ini;
        return r;
    }

    InstallOutcome install(const FixturePackage& p, bool fullScreen = true, bool desktop = true) {
        InstallRequest r = request(p);
        r.fullScreenStart = fullScreen;
        r.createDesktopShortcut = desktop;
        return run(r);
    }

    InstallOutcome run(const InstallRequest& r) {
        InstallServices services{observer, shell, reporter};
        return runInstall(r, services);
    }

    void remove(const FixturePackage& p, bool deleteSaveData) {
        RemovalRequest r;
        r.installFolder = folder(p);
        r.gameName = p.gameName;
        r.gameTitle = p.gameTitle;
        r.deleteSaveData = deleteSaveData;
        r.registryPath = ini;
        removeInstallation(r, shell);
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const auto& m : reporter.messages) texts.push_back(m.text);
        return texts;
    }
};

}  // namespace fixtures
