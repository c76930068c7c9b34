#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "picture/PackedPicture.h"
#include "picture/PackedPictureEncoder.h"

// Round trip: any plane the encoder packs must decode to exactly the same bytes, fill the
// plane exactly and use the whole stream.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool colour = data[0] & 0x80;
    const std::size_t unit = colour ? 3 : 1;
    const int width = 1 + (data[0] & 0x3F);
    const std::size_t rowBytes = unit * width;
    const int height = static_cast<int>((size - 1) / rowBytes);
    if (height == 0) return 0;
    const std::uint8_t* plane = data + 1;
    const std::size_t planeBytes = rowBytes * height;
    const std::vector<std::uint8_t> stream = colour ? encodeColourStream({plane, planeBytes}, width, height)
                                                    : encodeByteStream({plane, planeBytes}, width, height);
    std::vector<std::uint8_t> back(planeBytes + rowBytes);
    DecoderState state;
    state.source = stream;
    state.sourceEnd = stream.size();
    state.output = back;
    state.width = width;
    state.height = height;
    if (colour) decodeColourStream(state);
    else decodeByteStream(state);
    if (state.outputPosition != planeBytes || state.sourcePosition != stream.size() ||
        std::memcmp(back.data(), plane, planeBytes) != 0) {
        std::abort();
    }
    return 0;
}
