#include "package/PackageReader.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>

namespace {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char buffer[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    return buffer;
}

std::uint32_t getU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int32_t getI32(const std::uint8_t* p) { return static_cast<std::int32_t>(getU32(p)); }

// A name as it may appear in a message: control bytes shown as '?'.
std::string printable(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return out;
}

std::optional<std::string> unsafeUrlReason(const std::string& url) {
    // A .url file is a text file of lines; a line break in the target would add lines.
    for (char c : url)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::string("contains a control character");
    return std::nullopt;
}

}  // namespace

PackageReader::PackageReader(fsys::File file, std::uint32_t headerOffset)
    : file_(std::move(file)), headerOffset_(headerOffset) {
    std::int64_t size = file_ ? file_.size() : -1;
    size_ = size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

bool PackageReader::fail(std::string message, std::uint64_t offset) {
    error_ = PackageError{std::move(message), offset};
    return false;
}

bool PackageReader::readAt(std::uint64_t offset, void* buffer, std::size_t n, const std::string& what) {
    if (!file_) return fail("the package file is not open", offset);
    if (offset > size_ || n > size_ - offset)
        return fail(format("%s (%" PRIu64 " bytes at offset %" PRIu64 ") runs past the end of the package (%" PRIu64
                           " bytes)",
                           what.c_str(), std::uint64_t{n}, offset, size_),
                    offset);
    const auto at = static_cast<std::int64_t>(offset);
    if (file_.position() != at) file_.seek(at);
    if (file_.position() != at || file_.read(buffer, n) != n)
        return fail(format("%s at offset %" PRIu64 " could not be read", what.c_str(), offset), offset);
    return true;
}

bool PackageReader::readHeader(PackageHeader& header) {
    std::uint8_t bytes[kHeaderSize];
    if (!readAt(headerOffset_, bytes, sizeof bytes, "Package Header")) return false;
    header = parsePackageHeader(std::span<const std::uint8_t, kHeaderSize>(bytes, kHeaderSize));
    if (header.headerVersion != kHeaderVersion) {
        fail(format("header version %u is not %u", header.headerVersion, kHeaderVersion), headerOffset_);
        error_->wrongVersion = true;
        return false;
    }
    if (auto why = unsafeFolderNameReason(header.name()))
        return fail("game name \"" + printable(header.name()) + "\" " + *why, headerOffset_ + 2);
    if (auto why = unsafeFolderNameReason(header.title()))
        return fail("game title \"" + printable(header.title()) + "\" " + *why, headerOffset_ + 18);
    if (header.setupImageSize < std::uint64_t{headerOffset_} + kHeaderSize)
        return fail(format("setupImageSize %u ends before the Package Header does", header.setupImageSize),
                    headerOffset_ + 88);
    return true;
}

bool PackageReader::readHead(PackageHead& head) {
    if (!readHeader(head.header)) return false;
    std::uint64_t pos = std::uint64_t{headerOffset_} + kHeaderSize;
    std::uint8_t word[4];
    if (!readAt(pos, word, 4, "picture block size")) return false;
    const std::uint32_t pictureSize = getU32(word);
    if (pictureSize == 0 || pictureSize > kMaxPictureBytes)
        return fail(format("picture block size %u is not between 1 and %u bytes", pictureSize, kMaxPictureBytes),
                    pos);
    pos += 4;
    if (pos + pictureSize > size_) return readAt(pos, nullptr, pictureSize, "picture block");
    head.bmp.resize(pictureSize);
    if (!readAt(pos, head.bmp.data(), pictureSize, "picture block")) return false;
    pos += pictureSize;
    if (!readAt(pos, word, 4, "word after the picture block")) return false;
    pos += 4;
    return readChipBlock(pos, head);
}

bool PackageReader::readChipBlock(std::uint64_t pos, PackageHead& head) {
    std::uint8_t dims[12];
    if (!readAt(pos, dims, sizeof dims, "chip block header")) return false;
    const std::int32_t frames = getI32(dims), width = getI32(dims + 4), height = getI32(dims + 8);
    if (frames < kMenuChipFrames || frames > kMaxChipSide)
        return fail(format("chip block has %d frames; the menu needs %d to %d", frames, kMenuChipFrames, kMaxChipSide),
                    pos);
    if (width <= 0 || height <= 0 || width > kMaxChipSide || height > kMaxChipSide)
        return fail(format("chip block frame size %d x %d is not between 1 and %d", width, height, kMaxChipSide),
                    pos + 4);
    const std::uint64_t pixels = std::uint64_t(frames) * std::uint64_t(width) * std::uint64_t(height);
    if (pixels > kMaxChipPixelBytes)
        return fail(format("chip block of %" PRIu64 " pixel bytes is larger than %" PRIu64, pixels,
                           kMaxChipPixelBytes),
                    pos);
    const std::size_t total = kChipSheetHeaderSize + static_cast<std::size_t>(pixels);
    if (pos + total > size_) return readAt(pos, nullptr, total, "chip block");
    if (pos + total > head.header.setupImageSize)
        return fail(format("chip block ends at offset %" PRIu64 ", after setupImageSize %u", pos + total,
                           head.header.setupImageSize),
                    pos);
    head.chipSheet.resize(total);
    return readAt(pos, head.chipSheet.data(), total, "chip block");
}

bool PackageReader::readTables(const PackageHeader& header, PackageTables& tables) {
    tables = PackageTables{};
    std::uint64_t pos = header.setupImageSize;
    if (pos < std::uint64_t{headerOffset_} + kHeaderSize)
        return fail(format("setupImageSize %u ends before the Package Header does", header.setupImageSize),
                    headerOffset_ + 88);
    std::uint8_t word[4];
    if (!readAt(pos, word, 4, "file count")) return false;
    const std::int32_t count = getI32(word);
    pos += 4;
    // Each entry takes at least 5 bytes; a larger count cannot be true.
    if (count > 0 && std::uint64_t(count) * 5 > size_ - pos)
        return fail(format("file count %d: so many entries would run past the end of the package", count), pos - 4);
    for (std::int32_t i = 0; i < count; ++i)
        if (!readFileEntry(i, pos, tables)) return false;
    if (!readLinkTable(pos, tables)) return false;
    tables.endOffset = pos;
    return true;
}

bool PackageReader::readFileEntry(std::int32_t index, std::uint64_t& pos, PackageTables& tables) {
    const std::string what = format("file entry %d", index);
    std::uint8_t length = 0;
    if (!readAt(pos, &length, 1, what + " name length")) return false;
    const std::uint64_t nameAt = pos + 1;
    std::string stored(length, '\0');
    if (!readAt(nameAt, stored.data(), length, what + " name")) return false;
    PackageFileEntry entry;
    entry.name = unscrambleName(stored);
    if (auto why = unsafeNameReason(entry.name))
        return fail(what + " name \"" + printable(entry.name) + "\" " + *why, nameAt);
    std::uint8_t word[4];
    if (!readAt(nameAt + length, word, 4, what + " size")) return false;
    entry.size = getU32(word);
    entry.dataOffset = nameAt + length + 4;
    if (entry.size > size_ - entry.dataOffset)
        return fail(format("%s data (%u bytes at offset %" PRIu64 ") runs past the end of the package (%" PRIu64
                           " bytes)",
                           what.c_str(), entry.size, entry.dataOffset, size_),
                    entry.dataOffset);
    pos = entry.dataOffset + entry.size;
    tables.files.push_back(std::move(entry));
    return true;
}

bool PackageReader::readText(std::uint64_t& pos, std::string& text, const std::string& what) {
    std::uint8_t length = 0;
    if (!readAt(pos, &length, 1, what + " length")) return false;
    text.assign(length, '\0');
    if (!readAt(pos + 1, text.data(), length, what)) return false;
    pos += 1 + length;
    return true;
}

bool PackageReader::readLinkTable(std::uint64_t& pos, PackageTables& tables) {
    std::uint8_t count = 0;
    if (!readAt(pos, &count, 1, "link count")) return false;
    pos += 1;
    for (unsigned i = 0; i < count; ++i) {
        const std::string what = format("link %u", i);
        PackageLink link;
        const std::uint64_t nameAt = pos;
        if (!readText(pos, link.name, what + " name")) return false;
        if (auto why = unsafeFolderNameReason(link.name))
            return fail(what + " name \"" + printable(link.name) + "\" " + *why, nameAt);
        const std::uint64_t targetAt = pos;
        if (!readText(pos, link.target, what + " target")) return false;
        auto why = link.isUrl() ? unsafeUrlReason(link.target) : unsafeNameReason(link.target);
        if (why) return fail(what + " target \"" + printable(link.target) + "\" " + *why, targetAt);
        tables.links.push_back(std::move(link));
    }
    return true;
}

std::uint64_t totalFileBytes(const PackageTables& tables) {
    std::uint64_t total = 0;
    for (const auto& entry : tables.files) total += entry.size;
    return total;
}
