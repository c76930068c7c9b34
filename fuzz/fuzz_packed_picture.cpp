#include <cstddef>
#include <cstdint>

#include "FuzzReporter.h"
#include "picture/PackedPicture.h"
#include "picture/Picture.h"

// Whole containers through the loaders, then the bare decoders over a small plane.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Huge declared sizes only exercise the allocation; skipping them keeps the runs fast.
    if (size >= 12 && std::size_t(data[8] | data[9] << 8) * std::size_t(data[10] | data[11] << 8) > (1u << 16)) {
        return 0;
    }
    DiscardingReporter reporter;
    if (auto picture = loadPackedPicture(data, size, reporter)) flipPictureRows(*picture);
    loadCfPicture(data, size, reporter);  // the direct loaders differ only in their tag check

    if (size < 2) return 0;
    std::uint8_t plane[3 * 13 * 10];
    DecoderState state;
    state.source = {data + 2, size - 2};
    state.sourceEnd = size - 2;
    state.output = plane;
    state.width = 1 + data[0] % 13;
    state.height = 1 + data[1] % 9;
    if (data[0] & 0x80) decodeColourStream(state);
    else decodeByteStream(state);
    return 0;
}
