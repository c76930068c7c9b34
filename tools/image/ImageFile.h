#pragma once
// Image files for the tools (never linked into SetUp.exe): PNG/BMP in, PNG out, 24-bit BMP
// file images, PNG strips to Chip Sheets, and Packed Picture files to and from PNG.
// Functions returning std::string give "" on success, otherwise an English error text that
// does not name the input file (the caller does) but names an output file it cannot write.
#include <cstdint>
#include <string>
#include <vector>

#include "picture/ChipSheet.h"

struct Image {
    int width = 0;
    int height = 0;
    int channels = 0;                  // 3 (r, g, b) or 4 (r, g, b, a)
    std::vector<std::uint8_t> pixels;  // rows top-down, width x channels bytes per row
};

// channels: 3 or 4 (converted as needed).
std::string loadImageFile(const std::string& path, int channels, Image& out);
std::string loadImageMemory(const std::uint8_t* data, std::size_t length, int channels,
                            Image& out);
std::string saveImagePng(const Image& image, const std::string& path);
std::vector<std::uint8_t> encodePng(const Image& image);

// A 24-bit BMP file image: 14-byte file header, 40-byte information header, rows bottom-up,
// each padded to a multiple of 4 bytes. Alpha is dropped.
std::vector<std::uint8_t> imageToBmp24(const Image& image);

// Cuts `strip` into frames of frameWidth x frameHeight, left to right, then top to bottom
// (a horizontal strip, a vertical strip or a grid). Pixels with alpha < 128 become index
// 255; the other colours get indices 0.. in the order first met. No quantising: more than
// 255 distinct opaque colours is an error.
std::string chipSheetFromImage(const Image& strip, int frameWidth, int frameHeight,
                               ChipSheet& out);
// Frames stacked top to bottom, index 255 transparent, as RGBA.
Image chipSheetToImage(const ChipSheet& sheet);
// PNG strip file -> stored Chip Sheet file.
std::string chipSheetFileFromPng(const std::string& in, const std::string& out, int frameWidth,
                                 int frameHeight);

// PNG/BMP file -> Packed Picture file. tag "CF" (colours), "CT" (colours + alpha plane),
// "CB" (palette of at most 256 colours), "CC" (palette + alpha plane). Palette entries are
// written blue, green, red, like the colour plane; no quantising: more colours is an error.
std::string encodePictureFile(const std::string& in, const std::string& out,
                              const std::string& tag);
// Packed Picture file -> PNG, rows top-down (RGB for "CF"/"CB", RGBA for "CT"/"CC" with the
// second plane as alpha).
std::string decodePictureFile(const std::string& in, const std::string& out);
