#pragma once
// Reads an Install Package with explicit bounds: every structure is checked against the
// file's length before it is used, and unsafe names are refused.
#include "package/FileSystem.h"
#include "package/PackageFormat.h"
#include "package/SetupBlock.h"

#include <cstdint>
#include <string>
#include <vector>

struct PackageError {
    std::string message;     // one clear English line naming the problem
    std::uint64_t offset = 0;  // where in the package
    bool wrongVersion = false; // the header's version is not kHeaderVersion
};

// The head the loader reads: header, menu BMP bytes, chip block bytes (stored form).
struct PackageHead {
    PackageHeader header;
    std::vector<std::uint8_t> bmp;
    std::vector<std::uint8_t> chipSheet;  // stored Chip Sheet form, frames included
};

struct PackageTables {
    std::vector<PackageFileEntry> files;
    std::vector<PackageLink> links;
    std::uint64_t endOffset = 0;  // just past the link table
};

// The bytes the game's files take: the sum of the file table's sizes. totalInstallSize
// saturates at 0xFFFFFFFF, so for 4 GB and more only the table tells the true total.
std::uint64_t totalFileBytes(const PackageTables& tables);

class PackageReader {
public:
    explicit PackageReader(fsys::File file, std::uint32_t headerOffset = kDefaultHeaderOffset);

    const std::optional<PackageError>& error() const { return error_; }
    fsys::File& file() { return file_; }
    std::uint64_t fileSize() const { return size_; }

    // Each returns false and sets error() on the first problem.
    bool readHeader(PackageHeader& header);
    bool readHead(PackageHead& head);
    // Walks the file table from header.setupImageSize without reading the file data.
    bool readTables(const PackageHeader& header, PackageTables& tables);

private:
    bool fail(std::string message, std::uint64_t offset);
    bool readAt(std::uint64_t offset, void* buffer, std::size_t n, const std::string& what);
    bool readChipBlock(std::uint64_t pos, PackageHead& head);
    bool readFileEntry(std::int32_t index, std::uint64_t& pos, PackageTables& tables);
    bool readLinkTable(std::uint64_t& pos, PackageTables& tables);
    bool readText(std::uint64_t& pos, std::string& text, const std::string& what);
    fsys::File file_;
    std::uint32_t headerOffset_;
    std::uint64_t size_ = 0;
    std::optional<PackageError> error_;
};

// Setup Block in a program image: u32 packageDataOffset, u32 runMode, then the tag "VRDN".
constexpr std::uint32_t kRunModeInstall = 2;
constexpr std::uint32_t kRunModeUninstall = 3;
// Offset of the tag, or -1 when the image has no Setup Block.
std::int64_t findSetupBlockTag(std::span<const std::uint8_t> image);

// Limits on what one package may ask the loader to hold in memory.
constexpr std::uint32_t kMaxPictureBytes = 64u << 20;
constexpr std::uint64_t kMaxChipPixelBytes = 64u << 20;
constexpr std::int32_t kMaxChipSide = 4096;
// The menu draws frames 0 to 7 (install and quit button, four states each).
constexpr std::int32_t kMenuChipFrames = 8;
