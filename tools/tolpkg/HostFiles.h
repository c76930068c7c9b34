#pragma once
// Files of the machine the tool runs on, named by host paths (UTF-8 on Linux).
#include "package/FileSystem.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace host {

// Throws BadInput naming the path when the file cannot be read.
std::vector<std::uint8_t> readFile(const std::filesystem::path& path);
// An empty File when it cannot be opened.
fsys::File openRead(const std::filesystem::path& path);
fsys::File openWrite(const std::filesystem::path& path);

struct FoundFile {
    std::filesystem::path path;
    std::string storedName;  // cp932, backslash separators
    std::uint64_t size = 0;
};

// Every plain file below `folder`, named relative to it in cp932 and sorted by that name.
// Throws BadInput for a name without a cp932 form or an entry that is not a plain file.
std::vector<FoundFile> listGameFiles(const std::filesystem::path& folder);

// A cp932 stored name as a host path below `root`, split only at real backslashes.
std::filesystem::path hostPathOf(const std::filesystem::path& root, const std::string& storedName);

std::string display(const std::filesystem::path& path);

}  // namespace host
