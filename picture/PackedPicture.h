#pragma once
// Stream decoders of the Packed Picture format. Both expand one block of codes (literals,
// runs, pattern fills, row copies, back-references) into a plane, rows bottom-up.
//
// Contract: the decoders read only source[sourcePosition, min(sourceEnd, source.size()))
// and write only output[0, output.size()). The caller allocates the plane with one spare
// row (height + 1 rows) so that a final code may run past the output limit. Decoding stops
// at the first of: output limit reached, source end reached, an end code (0xF0..0xFF), or
// malformed data (an operand beyond the source end, a copy reaching before the plane's
// start). A code that would write beyond output.size() writes what fits and then stops.
#include <cstddef>
#include <cstdint>
#include <span>

struct DecoderState {
    std::span<const std::uint8_t> source;  // the block
    std::size_t sourcePosition = 0;        // next code byte
    std::size_t sourceEnd = 0;             // index at which the stream ends
    std::span<std::uint8_t> output;        // the plane buffer
    std::size_t outputPosition = 0;        // next byte to write
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Output limit 3 x width x height bytes; blue-green-red pixels.
void decodeColourStream(DecoderState& state);
// Output limit width x height bytes.
void decodeByteStream(DecoderState& state);
