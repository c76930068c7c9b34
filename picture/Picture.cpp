#include "picture/Picture.h"

#include <algorithm>
#include <new>

#include "picture/PackedPicture.h"

namespace {

std::uint16_t readU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t readU32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::int32_t readI32(const std::uint8_t* p) { return static_cast<std::int32_t>(readU32(p)); }

void report(MessageReporter& reporter, const char* text) { reporter.showMessage(text, kPictureCaption); }

// Zero-filled buffer of `size` bytes; false when it is refused or cannot be had.
bool allocatePlane(std::vector<std::uint8_t>& buffer, std::uint64_t size) {
    if (size > kMaxPlaneBytes) return false;
    try {
        buffer.assign(static_cast<std::size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

struct PackedLayout {
    std::uint16_t paletteCount = 0;
    std::uint16_t aux1 = 0, aux2 = 0;
    std::int32_t width = 0, height = 0;
    std::size_t firstLength = 0;
    std::size_t secondOffset = 0;  // where the second stream's bytes start
    std::size_t secondLength = 0;
};

// Checks that every block the header names lies inside the data.
bool readPackedLayout(const std::uint8_t* data, std::size_t length, bool indexed,
                      bool hasSecondPlane, PackedLayout& layout) {
    if (length < kPackedHeaderSize) return false;
    layout.paletteCount = indexed ? readU16(data + 2) : 0;
    layout.aux1 = readU16(data + 4);
    layout.aux2 = readU16(data + 6);
    layout.width = readU16(data + 8);
    layout.height = readU16(data + 10);
    const std::uint32_t firstLength = readU32(data + 12);
    if (firstLength > length - kPackedHeaderSize) return false;
    layout.firstLength = firstLength;
    if (layout.paletteCount > 256 || layout.paletteCount * 3u > firstLength) return false;
    if (!hasSecondPlane) return true;
    const std::size_t lengthWord = kPackedHeaderSize + layout.firstLength;
    if (length - lengthWord < 4) return false;
    const std::uint32_t secondLength = readU32(data + lengthWord);
    if (secondLength > length - lengthWord - 4) return false;
    layout.secondOffset = lengthWord + 4;
    layout.secondLength = secondLength;
    return true;
}

void decodePlane(std::span<const std::uint8_t> source, std::size_t start, std::size_t end,
                 std::vector<std::uint8_t>& plane, const PackedLayout& layout, bool colour) {
    DecoderState state;
    state.source = source;
    state.sourcePosition = start;
    state.sourceEnd = end;
    state.output = plane;
    state.outputPosition = 0;
    state.width = layout.width;
    state.height = layout.height;
    if (colour) decodeColourStream(state);
    else decodeByteStream(state);
}

std::unique_ptr<Picture> loadPacked(const std::uint8_t* data, std::size_t length,
                                    std::uint16_t tag, bool indexed, bool hasSecondPlane,
                                    MessageReporter& reporter) {
    if (!data || length < 2 || readU16(data) != tag) {
        report(reporter, kMessageUnsupportedType);
        return nullptr;
    }
    std::unique_ptr<Picture> picture(new (std::nothrow) Picture);
    if (!picture) {
        report(reporter, kMessageNoPictureMemory);
        return nullptr;
    }
    PackedLayout layout;
    if (!readPackedLayout(data, length, indexed, hasSecondPlane, layout)) {
        report(reporter, kMessageDamagedPicture);
        return nullptr;
    }
    const std::uint64_t pixels = std::uint64_t(layout.width) * (std::uint64_t(layout.height) + 1);
    const bool allocated = allocatePlane(picture->colourPlane, pixels * (indexed ? 1 : 3)) &&
                           (!indexed || allocatePlane(picture->palette, 1024)) &&
                           (!hasSecondPlane || allocatePlane(picture->secondPlane, pixels));
    if (!allocated) {
        report(reporter, kMessageNoFileBuffer);
        return nullptr;
    }
    const std::uint8_t* first = data + kPackedHeaderSize;
    for (std::size_t i = 0; i < layout.paletteCount; ++i) {
        std::copy_n(first + 3 * i, 3, picture->palette.begin() + 4 * i);
        picture->palette[4 * i + 3] = 1;
    }
    decodePlane({first, layout.firstLength}, 3u * layout.paletteCount, layout.firstLength,
                picture->colourPlane, layout, !indexed);
    if (hasSecondPlane) {
        decodePlane({data + layout.secondOffset, layout.secondLength}, 0, layout.secondLength,
                    picture->secondPlane, layout, false);
    }
    picture->aux1 = layout.aux1;
    picture->aux2 = layout.aux2;
    picture->width = layout.width;
    picture->height = layout.height;
    picture->stride = (3 * layout.width) & ~3;
    picture->rowBytes = indexed ? layout.width : 3 * layout.width;
    return picture;
}

constexpr std::size_t kBmpHeadersSize = 54;

}  // namespace

std::int32_t pictureTypeOf(const std::uint8_t* data, std::size_t length) {
    if (!data || length < 2) return kPictureNone;
    switch (readU16(data)) {
        case kTagCC: return kPictureIndexedPlane;
        case kTagCT: return kPictureTrueColourPlane;
        case kTagCF: return kPictureTrueColour;
        case kTagCB: return kPictureIndexed;
        default: return kPictureNone;
    }
}

std::unique_ptr<Picture> loadPackedPicture(const std::uint8_t* data, std::size_t length,
                                           MessageReporter& reporter) {
    if (length == 0) return nullptr;
    const std::int32_t type = pictureTypeOf(data, length);
    std::unique_ptr<Picture> picture;
    switch (type) {
        case kPictureIndexed: picture = loadCbPicture(data, length, reporter); break;
        case kPictureTrueColour: picture = loadCfPicture(data, length, reporter); break;
        case kPictureTrueColourPlane: picture = loadCtPicture(data, length, reporter); break;
        case kPictureIndexedPlane: picture = loadCcPicture(data, length, reporter); break;
        default: report(reporter, kMessageNoFileBuffer); return nullptr;
    }
    if (picture) picture->type = type;
    return picture;
}

std::unique_ptr<Picture> loadCbPicture(const std::uint8_t* data, std::size_t length,
                                       MessageReporter& reporter) {
    return loadPacked(data, length, kTagCB, true, false, reporter);
}
std::unique_ptr<Picture> loadCfPicture(const std::uint8_t* data, std::size_t length,
                                       MessageReporter& reporter) {
    return loadPacked(data, length, kTagCF, false, false, reporter);
}
std::unique_ptr<Picture> loadCtPicture(const std::uint8_t* data, std::size_t length,
                                       MessageReporter& reporter) {
    return loadPacked(data, length, kTagCT, false, true, reporter);
}
std::unique_ptr<Picture> loadCcPicture(const std::uint8_t* data, std::size_t length,
                                       MessageReporter& reporter) {
    return loadPacked(data, length, kTagCC, true, true, reporter);
}

std::unique_ptr<Picture> pictureFromBmp(const std::uint8_t* data, std::size_t length,
                                        MessageReporter& reporter) {
    std::unique_ptr<Picture> picture(new (std::nothrow) Picture);
    if (!picture) {
        report(reporter, kMessageNoPictureMemory);
        return nullptr;
    }
    if (!data || length < kBmpHeadersSize || data[0] != 'B' || data[1] != 'M' ||
        readU32(data + 14) != 40) {
        report(reporter, kMessageUnsupportedBmp);
        return nullptr;
    }
    const std::int32_t width = readI32(data + 18);
    const std::int32_t height = readI32(data + 22);
    const std::uint16_t bits = readU16(data + 28);
    const std::uint32_t compression = readU32(data + 30);
    const std::uint32_t coloursUsed = readU32(data + 46);
    const bool indexed = bits == 8;
    if ((bits != 8 && bits != 24) || compression != 0 || width <= 0 || height <= 0 ||
        (indexed && coloursUsed != 0 && coloursUsed != 256)) {
        report(reporter, kMessageUnsupportedBmp);
        return nullptr;
    }
    const std::uint64_t stride = (std::uint64_t(bits) * std::uint64_t(width) + 31) / 32 * 4;
    const std::uint64_t planeBytes = stride * std::uint64_t(height);
    const std::size_t pixelStart = indexed ? kBmpHeadersSize + 1024 : kBmpHeadersSize;
    if (length < pixelStart || planeBytes > length - pixelStart) {
        report(reporter, kMessageDamagedPicture);
        return nullptr;
    }
    if ((indexed && !allocatePlane(picture->palette, 1024)) ||
        !allocatePlane(picture->colourPlane, planeBytes)) {
        report(reporter, kMessageNoFileBuffer);
        return nullptr;
    }
    for (std::size_t i = 0; indexed && i < 256; ++i) {
        const std::uint8_t* entry = data + kBmpHeadersSize + 4 * i;
        picture->palette[4 * i] = entry[2];
        picture->palette[4 * i + 1] = entry[1];
        picture->palette[4 * i + 2] = entry[0];
    }
    const std::size_t rowBytes = static_cast<std::size_t>(stride);
    for (std::int32_t r = 0; r < height; ++r) {
        const std::uint8_t* fileRow = data + pixelStart + std::size_t(height - 1 - r) * rowBytes;
        std::copy_n(fileRow, rowBytes, picture->colourPlane.begin() + std::size_t(r) * rowBytes);
    }
    picture->type = indexed ? kPictureIndexed : kPictureTrueColour;
    picture->width = width;
    picture->height = height;
    picture->stride = static_cast<std::int32_t>(stride);
    picture->rowBytes = picture->stride;
    return picture;
}

namespace {

void flipRows(std::vector<std::uint8_t>& plane, std::size_t rowBytes, std::size_t rows) {
    if (rowBytes == 0 || rows < 2 || rowBytes * rows > plane.size()) return;
    for (std::size_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(plane.begin() + top * rowBytes, plane.begin() + (top + 1) * rowBytes,
                         plane.begin() + bottom * rowBytes);
    }
}

}  // namespace

void flipPictureRows(Picture& picture) {
    if (picture.height <= 0 || picture.width <= 0) return;
    const std::int32_t rowBytes = picture.rowBytes > 0 ? picture.rowBytes : picture.stride;
    const std::size_t rows = static_cast<std::size_t>(picture.height);
    if (rowBytes > 0) flipRows(picture.colourPlane, static_cast<std::size_t>(rowBytes), rows);
    flipRows(picture.secondPlane, static_cast<std::size_t>(picture.width), rows);
}
