#include "install/SettingsRecord.h"

#include "install/InstallTexts.h"

#include <algorithm>
#include <cstring>

namespace {

void putI32(SettingsRecord& record, std::size_t at, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) record[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

SettingsRecord newSettingsRecord(bool fullScreen) {
    SettingsRecord record{};
    std::memcpy(record.data(), texts::kDefaultFontName, sizeof texts::kDefaultFontName - 1);
    static constexpr char kSaveFileName[] = "save.sav";
    std::memcpy(record.data() + 64, kSaveFileName, sizeof kSaveFileName - 1);
    putI32(record, kFullScreenOffset, fullScreen ? 1 : 0);
    static constexpr std::int32_t kGameSettings[] = {1, 1, 1, 2, 0, 2, 0, 0, 0};
    for (std::size_t i = 0; i < std::size(kGameSettings); ++i) putI32(record, 160 + 4 * i, kGameSettings[i]);
    return record;
}

SettingsRecord updatedSettingsRecord(std::span<const std::uint8_t> existing, bool fullScreen) {
    SettingsRecord record = newSettingsRecord(fullScreen);
    std::copy_n(existing.begin(), std::min(existing.size(), record.size()), record.begin());
    putI32(record, kFullScreenOffset, fullScreen ? 1 : 0);
    return record;
}
