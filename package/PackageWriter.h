#pragma once
// Writes an Install Package: the program image padded to the header offset (with the offset
// written into its Setup Block), the Package Header, the menu BMP, the chip block, the
// Package File Table with file data streamed from disk, and the Package Link Table.
#include "package/FileSystem.h"
#include "package/PackageFormat.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct PackageSourceFile {
    std::string name;        // stored name: cp932 relative path, backslash separators
    std::string sourcePath;  // handed to the opener as it is
};

struct PackageContents {
    std::vector<std::uint8_t> programImage;
    std::uint32_t headerOffset = kDefaultHeaderOffset;
    // Name, title, version and button positions; setupImageSize and totalInstallSize are
    // computed by the writer.
    PackageHeader header;
    std::vector<std::uint8_t> bmp;        // whole BMP file image
    std::vector<std::uint8_t> chipSheet;  // stored Chip Sheet form
    std::vector<PackageSourceFile> files;
    std::vector<PackageLink> links;
};

struct PackageWriteResult {
    std::optional<std::string> error;  // one English line naming the problem
    std::uint32_t setupImageSize = 0;
    std::uint32_t totalInstallSize = 0;
    std::uint64_t packageSize = 0;
};

// Opens a source file for reading; an empty File means it cannot be opened.
using PackageSourceOpener = std::function<fsys::File(const std::string& sourcePath)>;
// Called after each chunk of file data with the data bytes written so far.
using PackageWriteProgress = std::function<void(std::uint64_t dataBytesWritten)>;

// Writes the header offset into the image's Setup Block (found by its tag). Returns what is
// wrong when the image has no Setup Block.
std::optional<std::string> setSetupBlockOffset(std::vector<std::uint8_t>& image, std::uint32_t headerOffset);

// The rules every package's tables follow, for the writer and for checking a package:
// safe names of at most 255 bytes, no name twice (ASCII case folded), no name that is also
// another name's folder; link names usable as "<name>.url", document targets that are a
// file or folder of the package.
std::optional<std::string> fileNamesProblem(const std::vector<std::string>& names);
std::optional<std::string> linksProblem(const std::vector<PackageLink>& links, const std::vector<std::string>& fileNames);

// Checks everything that can be checked before writing: sizes, the Setup Block, names,
// links and the chip block's length. nullopt when the contents can be written.
std::optional<std::string> packageContentsProblem(const PackageContents& contents);

// The Package Header fields computed by the writer: totalInstallSize saturates at
// 0xFFFFFFFF when the sum does not fit.
std::uint32_t setupImageSizeOf(const PackageContents& contents);
std::uint32_t saturatedTotal(std::span<const std::uint64_t> fileSizes);

// Writes the whole package to `out` (positioned at its start). The opener reads each source
// file; a file of 4 GB or more, or one that changes size while it is read, is refused.
PackageWriteResult writePackage(fsys::File& out, const PackageContents& contents,
                                const PackageSourceOpener& openSource,
                                const PackageWriteProgress& progress = {});
