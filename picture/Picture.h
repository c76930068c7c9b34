#pragma once
// Picture: the in-memory form of a Packed Picture or a BMP file image, with its loaders.
// Loaders show their failures through the reporter (caption "Vantorel") and return null.
// Every loader takes the data's length and never reads past it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "package/Reporter.h"

enum PictureType : std::int32_t {
    kPictureNone = 0,
    kPictureIndexed = 1,            // "CB" or 8-bit BMP
    kPictureTrueColour = 2,         // "CF" or 24-bit BMP
    kPictureTrueColourPlane = 3,    // "CT"
    kPictureIndexedPlane = 4,       // "CC"
};

struct Picture {
    std::int32_t type = kPictureNone;
    std::int32_t aux1 = 0;
    std::int32_t aux2 = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    // Packed Picture: 3 x width with the remainder modulo 4 dropped, for every tag.
    // BMP: the BMP row pitch.
    std::int32_t stride = 0;
    std::vector<std::uint8_t> colourPlane;  // types 2, 3: b, g, r per pixel; 1, 4: indices
    std::vector<std::uint8_t> secondPlane;  // types 3, 4 only; width bytes per row
    std::vector<std::uint8_t> palette;      // 1 024 bytes (256 slots of 4) or empty
    // Distance between colour plane rows: 3 x width or width for a Packed Picture (no
    // padding, so it differs from stride when width is not a multiple of 4), the BMP row
    // pitch for a BMP picture.
    std::int32_t rowBytes = 0;
};

inline constexpr const char* kPictureCaption = "Vantorel";
inline constexpr const char* kMessageNoFileBuffer = "Error: Not enough memory for file buffer.";
inline constexpr const char* kMessageUnsupportedType = "Error: Unsupported type.";
inline constexpr const char* kMessageNoPictureMemory = "Error: lpPic Memory";
inline constexpr const char* kMessageDamagedPicture = "Error: Damaged picture data.";
inline constexpr const char* kMessageUnsupportedBmp = "Error: Unsupported BMP format.";

// Planes larger than this are refused as an allocation failure.
inline constexpr std::size_t kMaxPlaneBytes = std::size_t(64) << 20;

constexpr std::uint16_t kTagCB = 0x4243, kTagCF = 0x4643, kTagCT = 0x5443, kTagCC = 0x4343;
constexpr std::size_t kPackedHeaderSize = 16;

// 4 "CC", 3 "CT", 2 "CF", 1 "CB", 0 anything else (or fewer than 2 bytes).
std::int32_t pictureTypeOf(const std::uint8_t* data, std::size_t length);

// Length 0: null without a message. Unknown tag: "Error: Not enough memory for file
// buffer." Otherwise the tag's loader, and the type set on success.
std::unique_ptr<Picture> loadPackedPicture(const std::uint8_t* data, std::size_t length,
                                           MessageReporter& reporter);
// Each checks its own tag ("Error: Unsupported type.") and returns the Picture with type 0,
// rows bottom-up as stored.
std::unique_ptr<Picture> loadCbPicture(const std::uint8_t* data, std::size_t length,
                                       MessageReporter& reporter);
std::unique_ptr<Picture> loadCfPicture(const std::uint8_t* data, std::size_t length,
                                       MessageReporter& reporter);
std::unique_ptr<Picture> loadCtPicture(const std::uint8_t* data, std::size_t length,
                                       MessageReporter& reporter);
std::unique_ptr<Picture> loadCcPicture(const std::uint8_t* data, std::size_t length,
                                       MessageReporter& reporter);

// A whole BMP file image (14-byte file header first): uncompressed 8 or 24 bits, 40-byte
// information header, positive width and height, full 256-entry colour table for 8 bits.
// Rows come out top-down. Anything else: "Error: Unsupported BMP format."; rows past the
// data: "Error: Damaged picture data."
std::unique_ptr<Picture> pictureFromBmp(const std::uint8_t* data, std::size_t length,
                                        MessageReporter& reporter);

// Reverses the row order of the colour plane (rows rowBytes apart) and of the second plane.
void flipPictureRows(Picture& picture);
