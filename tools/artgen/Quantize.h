#pragma once
// Median-cut palette for button frames: at most `colours` entries for the opaque pixels.
#include <array>
#include <cstdint>
#include <vector>

using Rgb8 = std::array<std::uint8_t, 3>;

std::vector<Rgb8> medianCutPalette(const std::vector<Rgb8>& pixels, std::size_t colours);
std::size_t nearestIndex(const std::vector<Rgb8>& palette, Rgb8 colour);
