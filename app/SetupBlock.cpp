#include "app/SetupBlock.h"

namespace {

struct SetupBlock {
    std::uint32_t packageDataOffset;
    std::uint32_t runMode;
    char tag[4];
    std::uint8_t zeros[20];
};

// In initialised data, kept by the linker even with section garbage collection; tools find it
// by its tag and patch the two values in the file.
__attribute__((used)) volatile SetupBlock setupBlock = {
    0x75000, 2, {'V', 'R', 'D', 'N'}, {}};

}  // namespace

std::uint32_t setupPackageDataOffset() { return setupBlock.packageDataOffset; }
std::uint32_t setupRunMode() { return setupBlock.runMode; }
