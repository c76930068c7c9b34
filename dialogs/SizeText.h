#pragma once
// Size and free-space texts of the settings dialogs and the folder browser, as cp932 bytes.
// Sizes follow the installer's arithmetic: bytes >> 10 is KB, KB >> 10 is MB, dropping the
// fraction, in unsigned 32 bits.
#include <cstdint>
#include <string>

// Decimal text with a "," between groups of three digits. With unsignedFlag 0 a value that
// is negative as a signed 32-bit number is shown by its magnitude; no minus sign is written.
std::string formatGroupedNumber(std::uint32_t value, int unsignedFlag);

// KB in 32 bits, saturating: a volume with 4 TB or more free shows the largest count
// instead of wrapping to a small one.
std::uint32_t kbFromBytes(std::uint64_t bytes);

// The sizes to install are bytes in 64 bits: a package's totalInstallSize, or for 4 GB and
// more (where that field saturates) the sum of its file table (totalFileBytes).

// requiredKB (installBytes >> 10) does not exceed freeSpaceKB; equal is enough.
bool spaceIsEnough(std::uint64_t installBytes, std::uint32_t freeSpaceKB);

// "INSTSET": "%s MB / %s MB %s" with required MB, free MB and " 容量不足!" when short.
std::string settingsSizeLine(std::uint64_t installBytes, std::uint32_t freeSpaceKB);
// "INSTMODE": "%s MB (%s KB)" with required MB and KB.
std::string confirmSizeLine(std::uint64_t installBytes);
// Folder browser: "約%luTByte以上" (GByte, MByte, KByte) of a free KB count; "Error !" for 0.
std::string freeSpaceText(std::uint32_t freeSpaceKB);
