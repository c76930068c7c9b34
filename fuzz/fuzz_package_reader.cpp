#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "FuzzReporter.h"
#include "package/PackageReader.h"
#include "picture/ChipSheet.h"
#include "picture/Picture.h"

// The input is a whole Install Package whose header lies at kFuzzHeaderOffset (a real
// package has 0x75000 bytes of program image first, which the reader never looks at).
// Header, head and tables go through the reader as the loader and the install use it,
// and what it accepts goes on to the picture and chip parsers. Whatever it accepts must
// lie inside the file and carry names that are safe below the install folder.
namespace {

constexpr std::uint32_t kFuzzHeaderOffset = 16;

void check(bool condition) {
    if (!condition) std::abort();
}

void checkTables(const PackageTables& tables, std::uint64_t fileSize) {
    check(tables.endOffset <= fileSize);
    for (const auto& entry : tables.files) {
        check(!unsafeNameReason(entry.name));
        check(entry.dataOffset <= fileSize && entry.size <= fileSize - entry.dataOffset);
    }
    for (const auto& link : tables.links) {
        check(!unsafeFolderNameReason(link.name));
        check(link.isUrl() || !unsafeNameReason(link.target));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::vector<std::uint8_t> bytes(data, data + size);
    std::FILE* memory = fmemopen(bytes.data(), bytes.size(), "rb");
    if (!memory) return 0;
    PackageReader reader(fsys::File(memory), kFuzzHeaderOffset);
    check(reader.fileSize() == size);

    PackageHeader header;
    if (!reader.readHeader(header)) {
        check(reader.error().has_value());
        return 0;
    }
    check(!unsafeFolderNameReason(header.name()) && !unsafeFolderNameReason(header.title()));
    check(header.setupImageSize >= kFuzzHeaderOffset + kHeaderSize);

    PackageHead head;
    if (reader.readHead(head)) {
        DiscardingReporter reporter;
        if (auto picture = pictureFromBmp(head.bmp.data(), head.bmp.size(), reporter)) flipPictureRows(*picture);
        auto sheet = parseChipSheet(head.chipSheet.data(), head.chipSheet.size());
        check(sheet != nullptr && sheet->frameCount >= kMenuChipFrames);
    } else {
        check(reader.error().has_value());
    }

    PackageReader tablesReader(fsys::File(fmemopen(bytes.data(), bytes.size(), "rb")), kFuzzHeaderOffset);
    PackageTables tables;
    if (tablesReader.readTables(header, tables))
        checkTables(tables, size);
    else
        check(tablesReader.error().has_value());
    return 0;
}
