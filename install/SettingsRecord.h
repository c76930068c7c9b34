#pragma once
// The Settings Record "env.dat" that the game reads: exactly 196 bytes, little-endian.
//   0  char[64] fontName      "ＭＳゴシック", zero-filled
//  64  char[92] saveFileName  "save.sav", zero-filled
// 156  int32    fullScreen    1 full screen, 0 windowed
// 160  int32 x9               1, 1, 1, 2, 0, 2, 0, 0, 0 (the game's own settings)
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

constexpr std::size_t kSettingsRecordSize = 196;
constexpr std::size_t kFullScreenOffset = 156;
using SettingsRecord = std::array<std::uint8_t, kSettingsRecordSize>;

SettingsRecord newSettingsRecord(bool fullScreen);
// The player's record with only fullScreen changed. Bytes a short record lacks are taken
// from a new record; bytes past 196 are not part of it.
SettingsRecord updatedSettingsRecord(std::span<const std::uint8_t> existing, bool fullScreen);
