#pragma once
// Encoder of the Packed Picture format (tools only: the program just reads pictures).
// Whatever it writes decodes exactly through decodeColourStream / decodeByteStream.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A colour plane of 3 x width x height bytes (b, g, r, rows bottom-up as stored).
std::vector<std::uint8_t> encodeColourStream(std::span<const std::uint8_t> plane,
                                             std::int32_t width, std::int32_t height);
// A byte plane of width x height bytes.
std::vector<std::uint8_t> encodeByteStream(std::span<const std::uint8_t> plane,
                                           std::int32_t width, std::int32_t height);

struct PackedPictureSource {
    std::uint16_t tag = 0x4643;  // "CB" 0x4243, "CF" 0x4643, "CT" 0x5443, "CC" 0x4343
    std::uint16_t aux1 = 0, aux2 = 0;
    std::int32_t width = 0, height = 0;  // 0 .. 65 535
    // "CF"/"CT": 3 bytes per pixel; "CB"/"CC": 1 palette index per pixel. Bottom-up.
    std::vector<std::uint8_t> colourPlane;
    std::vector<std::uint8_t> secondPlane;  // "CT"/"CC": width x height bytes
    std::vector<std::uint8_t> palette;      // "CB"/"CC": 3 bytes per entry, at most 256
};

// The whole file image. Empty `error` on success, otherwise what is wrong with `source`.
std::vector<std::uint8_t> encodePackedPicture(const PackedPictureSource& source,
                                              std::string& error);
