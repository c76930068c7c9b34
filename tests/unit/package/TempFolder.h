#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("tolmar-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder as the program's paths have it (ASCII here, so cp932 and UTF-8 agree).
    std::string path() const { return path_.string() + "/"; }
    std::filesystem::path native() const { return path_; }

    std::string file(const std::string& name) const { return path() + name; }

    static std::vector<std::uint8_t> readBytes(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static std::string readText(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void writeBytes(const std::filesystem::path& p, const void* data, std::size_t n) {
        std::ofstream out(p, std::ios::binary);
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
    }
    static void writeText(const std::filesystem::path& p, const std::string& text) {
        writeBytes(p, text.data(), text.size());
    }

private:
    std::filesystem::path path_;
};
