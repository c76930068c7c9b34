#pragma once
// The tolpkg subcommands. Each prints its results on stdout and throws BadInput on bad input.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

struct BuildOptions {
    std::filesystem::path manifest;
    std::filesystem::path output;
    std::optional<std::filesystem::path> setupImage;  // overrides the manifest and the default
    std::optional<std::uint32_t> headerOffset;        // overrides the manifest
    std::optional<std::filesystem::path> filesFolder; // overrides the manifest's [files] folder
};

void buildPackage(const BuildOptions& options);
void showInfo(const std::filesystem::path& package, std::uint32_t headerOffset);
void listFiles(const std::filesystem::path& package, std::uint32_t headerOffset);
void verifyPackage(const std::filesystem::path& package, std::uint32_t headerOffset);
void extractPackage(const std::filesystem::path& package, const std::filesystem::path& folder, std::uint32_t headerOffset);

void encodePicture(const std::filesystem::path& in, const std::filesystem::path& out, const std::string& tag);
void decodePicture(const std::filesystem::path& in, const std::filesystem::path& out);
