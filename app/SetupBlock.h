#pragma once
// The Setup Block kept in the program's initialised data: u32 packageDataOffset, u32
// runMode, the tag "VRDN" and zeros. Tools patch these bytes in the file, so they are read
// at run time, never folded in by the compiler.
#include <cstdint>

std::uint32_t setupPackageDataOffset();
std::uint32_t setupRunMode();
