#include "package/PackageWriter.h"

#include "package/Cp932.h"
#include "package/PackageReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace {

constexpr std::size_t kCopyChunk = 1 << 20;
constexpr std::uint64_t kMaxFileSize = 0xFFFFFFFFull;

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t readU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (std::uint32_t(bytes[at + 3]) << 24);
}

std::string quoted(std::string_view cp932Text) { return "\"" + cp932::toUtf8(cp932Text) + "\""; }

// ASCII letters folded, double-byte characters left whole: Windows compares names this way
// closely enough to catch two entries that would land on the same file.
std::string foldedName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (cp932::isLeadByte(c) && i + 1 < name.size()) {
            out += name[i];
            out += name[++i];
        } else {
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        }
    }
    return out;
}

// The folder prefixes of a stored name ("a\b\c" gives "a" and "a\b"), split character-aware.
std::vector<std::string> folderPrefixes(std::string_view name) {
    std::vector<std::string> prefixes;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (cp932::isLeadByte(static_cast<unsigned char>(name[i]))) { ++i; continue; }
        if (name[i] == '\\') prefixes.emplace_back(name.substr(0, i));
    }
    return prefixes;
}

std::optional<std::string> chipSheetProblem(std::span<const std::uint8_t> chips) {
    if (chips.size() < kChipSheetHeaderSize) return "chip sheet is shorter than its 780-byte header";
    auto count = static_cast<std::int32_t>(readU32(chips, 0));
    auto width = static_cast<std::int32_t>(readU32(chips, 4));
    auto height = static_cast<std::int32_t>(readU32(chips, 8));
    if (count < 7 || width <= 0 || height <= 0)
        return "chip sheet needs at least 7 frames of a positive size";
    std::uint64_t pixels = std::uint64_t(count) * std::uint64_t(width) * std::uint64_t(height);
    if (chips.size() != kChipSheetHeaderSize + pixels) return "chip sheet length does not match its frame count and size";
    return std::nullopt;
}

std::optional<std::string> headerTextProblem(const PackageHeader& header) {
    std::string name = header.name(), title = header.title();
    if (name.empty()) return "game name is empty";
    if (name.size() > 15) return "game name is longer than 15 bytes";
    if (title.empty()) return "game title is empty";
    if (title.size() > 49) return "game title is longer than 49 bytes";
    if (auto why = unsafeFolderNameReason(name)) return "game name " + quoted(name) + ": " + *why;
    if (auto why = unsafeFolderNameReason(title)) return "game title " + quoted(title) + ": " + *why;
    return std::nullopt;
}

std::array<std::uint8_t, kHeaderSize> headerBytes(const PackageContents& contents, std::uint32_t totalInstallSize) {
    PackageHeader header = contents.header;
    header.headerVersion = kHeaderVersion;
    header.setupImageSize = setupImageSizeOf(contents);
    header.totalInstallSize = totalInstallSize;
    return serializePackageHeader(header);
}

std::vector<std::uint8_t> headBytes(const PackageContents& contents) {
    auto header = headerBytes(contents, 0);
    std::vector<std::uint8_t> out(header.begin(), header.end());
    putU32(out, static_cast<std::uint32_t>(contents.bmp.size()));
    out.insert(out.end(), contents.bmp.begin(), contents.bmp.end());
    putU32(out, 0);
    out.insert(out.end(), contents.chipSheet.begin(), contents.chipSheet.end());
    return out;
}

struct Writer {
    fsys::File& out;
    std::uint64_t written = 0;
    bool failed = false;

    void put(const void* data, std::size_t n) {
        if (failed || n == 0) return;
        if (out.write(data, n) != n) failed = true;
        written += n;
    }
    void put(const std::vector<std::uint8_t>& bytes) { put(bytes.data(), bytes.size()); }
    void putByte(std::uint8_t b) { put(&b, 1); }
    void putU32(std::uint32_t v) {
        std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
        put(b, 4);
    }
    void putText(const std::string& text) {
        putByte(static_cast<std::uint8_t>(text.size()));
        put(text.data(), text.size());
    }
};

// Copies one source file into the package; size first, then the data.
std::optional<std::string> copyFile(Writer& w, const PackageSourceFile& file, const PackageSourceOpener& openSource,
                                    std::vector<std::uint8_t>& buffer, std::uint64_t& dataWritten,
                                    const PackageWriteProgress& progress, std::uint64_t& size) {
    fsys::File in = openSource(file.sourcePath);
    if (!in) return "cannot open " + quoted(file.sourcePath);
    std::int64_t length = in.size();
    if (length < 0) return "cannot read the size of " + quoted(file.sourcePath);
    if (std::uint64_t(length) > kMaxFileSize) return quoted(file.sourcePath) + " is 4 GB or larger";
    size = std::uint64_t(length);
    w.putText(scrambleName(file.name));
    w.putU32(static_cast<std::uint32_t>(size));
    std::uint64_t left = size;
    while (left > 0 && !w.failed) {
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        if (in.read(buffer.data(), want) != want) return quoted(file.sourcePath) + " became shorter while it was read";
        w.put(buffer.data(), want);
        left -= want;
        dataWritten += want;
        if (progress) progress(dataWritten);
    }
    std::uint8_t extra;
    if (!w.failed && in.read(&extra, 1) != 0) return quoted(file.sourcePath) + " grew while it was read";
    return std::nullopt;
}

}  // namespace

std::optional<std::string> fileNamesProblem(const std::vector<std::string>& names) {
    if (names.size() > 0x7FFFFFFF) return "too many files";
    std::set<std::string> seen, folders;
    for (const auto& name : names) {
        if (name.size() > 255) return "file name " + quoted(name) + " is longer than 255 bytes";
        if (auto why = unsafeNameReason(name)) return "file name " + quoted(name) + ": " + *why;
        if (!seen.insert(foldedName(name)).second) return "file name " + quoted(name) + " appears twice";
        for (auto& prefix : folderPrefixes(name)) folders.insert(foldedName(prefix));
    }
    for (const auto& name : names)
        if (folders.count(foldedName(name))) return "file name " + quoted(name) + " is also a folder";
    return std::nullopt;
}

std::optional<std::string> linksProblem(const std::vector<PackageLink>& links, const std::vector<std::string>& fileNames) {
    if (links.size() > 255) return "more than 255 links";
    std::set<std::string> targets;
    for (const auto& name : fileNames) {
        targets.insert(foldedName(name));
        for (auto& prefix : folderPrefixes(name)) targets.insert(foldedName(prefix));
    }
    for (const auto& link : links) {
        // The display name becomes "<name>.url" in the Start-menu folder.
        if (link.name.size() > 251) return "link name " + quoted(link.name) + " is longer than 251 bytes";
        if (auto why = unsafeFolderNameReason(link.name)) return "link name " + quoted(link.name) + ": " + *why;
        if (link.target.empty() || link.target.size() > 255)
            return "link " + quoted(link.name) + " target must be 1 to 255 bytes";
        if (link.target.find('\0') != std::string::npos) return "link " + quoted(link.name) + " target contains a NUL byte";
        if (link.isUrl()) continue;
        if (auto why = unsafeNameReason(link.target))
            return "link " + quoted(link.name) + " target " + quoted(link.target) + ": " + *why;
        if (!targets.count(foldedName(link.target)))
            return "link " + quoted(link.name) + " target " + quoted(link.target) + " is not a file or folder of the package";
    }
    return std::nullopt;
}

std::optional<std::string> setSetupBlockOffset(std::vector<std::uint8_t>& image, std::uint32_t headerOffset) {
    std::int64_t tag = findSetupBlockTag(image);
    if (tag < 8) return "setup image has no Setup Block (tag \"VRDN\" after two 32-bit values)";
    for (int i = 0; i < 4; ++i) image[std::size_t(tag) - 8 + i] = static_cast<std::uint8_t>(headerOffset >> (8 * i));
    return std::nullopt;
}

std::uint32_t setupImageSizeOf(const PackageContents& contents) {
    std::uint64_t end = std::uint64_t(contents.headerOffset) + kHeaderSize + 4 + contents.bmp.size() + 4 +
                        contents.chipSheet.size();
    return end > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(end);
}

std::uint32_t saturatedTotal(std::span<const std::uint64_t> fileSizes) {
    std::uint64_t total = 0;
    for (std::uint64_t size : fileSizes) {
        total += size;
        if (total > 0xFFFFFFFFull) return 0xFFFFFFFFu;
    }
    return static_cast<std::uint32_t>(total);
}

std::optional<std::string> packageContentsProblem(const PackageContents& contents) {
    if (contents.programImage.size() > contents.headerOffset)
        return "setup image (" + std::to_string(contents.programImage.size()) + " bytes) is larger than the header offset " +
               std::to_string(contents.headerOffset);
    if (findSetupBlockTag(contents.programImage) < 8)
        return "setup image has no Setup Block (tag \"VRDN\" after two 32-bit values)";
    if (auto why = headerTextProblem(contents.header)) return why;
    if (contents.bmp.size() < 54) return "menu picture is shorter than a BMP header";
    if (contents.bmp.size() > 0x7FFFFFFF) return "menu picture is too large";
    if (auto why = chipSheetProblem(contents.chipSheet)) return why;
    std::uint64_t end = std::uint64_t(contents.headerOffset) + kHeaderSize + 8 + contents.bmp.size() + contents.chipSheet.size();
    if (end > 0xFFFFFFFFull) return "package head does not fit in 4 GB";
    std::vector<std::string> names;
    for (const auto& file : contents.files) names.push_back(file.name);
    if (auto why = fileNamesProblem(names)) return why;
    if (auto why = linksProblem(contents.links, names)) return why;
    return std::nullopt;
}

PackageWriteResult writePackage(fsys::File& out, const PackageContents& contents, const PackageSourceOpener& openSource,
                                const PackageWriteProgress& progress) {
    PackageWriteResult result;
    if (auto why = packageContentsProblem(contents)) {
        result.error = why;
        return result;
    }
    std::vector<std::uint8_t> image = contents.programImage;
    setSetupBlockOffset(image, contents.headerOffset);
    image.resize(contents.headerOffset, 0);

    Writer w{out};
    w.put(image);
    w.put(headBytes(contents));
    result.setupImageSize = setupImageSizeOf(contents);

    w.putU32(static_cast<std::uint32_t>(contents.files.size()));
    std::vector<std::uint8_t> buffer(kCopyChunk);
    std::vector<std::uint64_t> sizes;
    std::uint64_t dataWritten = 0;
    for (const auto& file : contents.files) {
        std::uint64_t size = 0;
        if (auto why = copyFile(w, file, openSource, buffer, dataWritten, progress, size)) {
            result.error = why;
            return result;
        }
        sizes.push_back(size);
    }
    w.putByte(static_cast<std::uint8_t>(contents.links.size()));
    for (const auto& link : contents.links) {
        w.putText(link.name);
        w.putText(link.target);
    }
    result.totalInstallSize = saturatedTotal(sizes);
    result.packageSize = w.written;

    // The header goes out again now that the total is known.
    auto header = headerBytes(contents, result.totalInstallSize);
    out.seek(contents.headerOffset, SEEK_SET);
    if (!w.failed && out.position() == std::int64_t(contents.headerOffset)) {
        w.put(header.data(), header.size());
        out.seek(0, SEEK_END);
    } else {
        w.failed = true;
    }
    if (w.failed || !out.flush()) result.error = "cannot write the package (disk full or write error)";
    return result;
}
