#include <cstddef>
#include <cstdint>

#include "FuzzReporter.h"
#include "picture/Picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DiscardingReporter reporter;
    if (auto picture = pictureFromBmp(data, size, reporter)) flipPictureRows(*picture);
    return 0;
}
