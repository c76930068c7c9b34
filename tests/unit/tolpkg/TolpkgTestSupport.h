#pragma once
// Temporary folders, small files, a stand-in setup image and a way to run the built tolpkg.
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("tolpkg-test-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

inline std::vector<std::uint8_t> readAll(const fs::path& p) {
    std::vector<std::uint8_t> bytes;
    if (std::FILE* f = std::fopen(p.c_str(), "rb")) {
        std::uint8_t buffer[65536];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(f);
    }
    return bytes;
}

inline std::string readText(const fs::path& p) {
    auto bytes = readAll(p);
    return {bytes.begin(), bytes.end()};
}

inline void writeAll(const fs::path& p, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(p.parent_path());
    std::FILE* f = std::fopen(p.c_str(), "wb");
    if (!f) return;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

inline void writeText(const fs::path& p, const std::string& text) { writeAll(p, {text.begin(), text.end()}); }

// Bytes that are not all alike, so a misplaced chunk shows.
inline std::vector<std::uint8_t> patternBytes(std::size_t n, std::uint32_t seed) {
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        out[i] = static_cast<std::uint8_t>(seed >> 24);
    }
    return out;
}

// A stand-in for SetUp.exe: a little code-like filler, then the Setup Block.
inline std::vector<std::uint8_t> fakeSetupImage(std::uint32_t runMode = 2, std::size_t size = 4096) {
    std::vector<std::uint8_t> image(size, 0);
    image[0] = 'M', image[1] = 'Z';
    std::size_t at = 1024;
    std::uint32_t values[2] = {0x75000, runMode};
    for (int v = 0; v < 2; ++v)
        for (int i = 0; i < 4; ++i) image[at + v * 4 + i] = static_cast<std::uint8_t>(values[v] >> (8 * i));
    image[at + 8] = 'V', image[at + 9] = 'R', image[at + 10] = 'D', image[at + 11] = 'N';
    return image;
}

struct RunResult {
    int status = -1;
    std::string out, err;
};

// Runs the built tolpkg with `arguments` (already quoted for the shell).
inline RunResult runTolpkg(const std::string& arguments, const TempDir& scratch) {
    fs::path out = scratch / "stdout.txt", err = scratch / "stderr.txt";
    std::string command = std::string("'") + TOLPKG_BINARY + "' " + arguments + " >'" + out.string() + "' 2>'" +
                          err.string() + "' </dev/null";
    int raw = std::system(command.c_str());
    RunResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = readText(out);
    r.err = readText(err);
    fs::remove(out);
    fs::remove(err);
    return r;
}

inline std::string q(const fs::path& p) { return "'" + p.string() + "'"; }
