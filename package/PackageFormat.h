#pragma once
// The Install Package file format: program image, Package Header, picture block, chip
// block, Package File Table (scrambled names) and Package Link Table. Little-endian.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

constexpr std::uint32_t kDefaultHeaderOffset = 0x75000;
constexpr std::uint16_t kHeaderVersion = 104;
constexpr std::size_t kHeaderSize = 104;

struct PackageHeader {
    std::uint16_t headerVersion = kHeaderVersion;
    char gameName[16] = {};   // cp932, NUL-terminated within the field
    char gameTitle[50] = {};
    std::int32_t gameVersion = 0;
    std::int32_t installButtonX = 0, installButtonY = 0;
    std::int32_t quitButtonX = 0, quitButtonY = 0;
    std::uint32_t setupImageSize = 0;
    std::uint32_t reserved92 = 0;
    std::uint32_t totalInstallSize = 0;
    std::uint32_t reserved100 = 0;

    std::string name() const;   // gameName up to its NUL
    std::string title() const;  // gameTitle up to its NUL
};

PackageHeader parsePackageHeader(std::span<const std::uint8_t, kHeaderSize> bytes);
std::array<std::uint8_t, kHeaderSize> serializePackageHeader(const PackageHeader& header);

// Byte i of a stored name is the plain byte plus (31 + i), modulo 256.
std::string scrambleName(std::string_view plain);
std::string unscrambleName(std::string_view stored);

// nullopt when `name` is a safe relative path below the install folder; otherwise what
// is wrong with it (English, for tools and logs). Refused: empty, absolute, drive letters,
// "..", "." or empty components, colons, characters Windows forbids, reserved device names,
// trailing dots or blanks, and names too long for a Windows path.
std::optional<std::string> unsafeNameReason(std::string_view cp932Name);
// The same for gameName / gameTitle, which must each be one plain folder name.
std::optional<std::string> unsafeFolderNameReason(std::string_view cp932Name);

struct PackageFileEntry {
    std::string name;            // plain cp932 relative path, backslash separators
    std::uint32_t size = 0;
    std::uint64_t dataOffset = 0;  // where the file's bytes start in the package
};

struct PackageLink {
    std::string name;    // display name, cp932
    std::string target;  // URL when it contains "http", else a path below the install folder
    bool isUrl() const { return target.find("http") != std::string::npos; }
};

// Stored Chip Sheet: i32 count, i32 width, i32 height, 768-byte palette (b, g, r), pixels.
constexpr std::size_t kChipSheetHeaderSize = 12 + 768;
