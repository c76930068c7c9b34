#pragma once
// The TOML manifest `tolpkg build` reads (see docs/manifest.md). Paths are resolved against
// the manifest's folder; texts are converted to cp932 and checked here.
#include "package/PackageFormat.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct Manifest {
    std::string gameName;   // cp932
    std::string gameTitle;  // cp932
    std::int32_t gameVersion = 0;
    std::optional<std::filesystem::path> setupImage;  // none: the tool's default
    std::uint32_t headerOffset = kDefaultHeaderOffset;
    std::filesystem::path menuPicture;
    std::filesystem::path buttonStrip;
    int frameWidth = 0;   // 0: strip width / 8
    int frameHeight = 0;  // 0: strip height
    std::int32_t installButtonX = 0, installButtonY = 0;
    std::int32_t quitButtonX = 0, quitButtonY = 0;
    std::filesystem::path filesFolder;
    std::vector<PackageLink> links;  // cp932; document targets with backslashes
};

// Throws BadInput as "<manifest>:<line>: <problem>".
Manifest loadManifest(const std::filesystem::path& path);
