#include "picture/PackedPicture.h"

#include <algorithm>
#include <cstring>

namespace {

// Copies exactly n bytes (n <= 16) between ranges that do not overlap, by two moves of a
// fixed size that may cover the same bytes twice: no call, no loop.
inline void copyShort(std::uint8_t* dst, const std::uint8_t* src, std::size_t n) {
    if (n >= 8) {
        std::uint64_t a, b;
        std::memcpy(&a, src, 8);
        std::memcpy(&b, src + n - 8, 8);
        std::memcpy(dst, &a, 8);
        std::memcpy(dst + n - 8, &b, 8);
    } else if (n >= 4) {
        std::uint32_t a, b;
        std::memcpy(&a, src, 4);
        std::memcpy(&b, src + n - 4, 4);
        std::memcpy(dst, &a, 4);
        std::memcpy(dst + n - 4, &b, 4);
    } else {
        for (std::size_t i = 0; i < n; ++i) dst[i] = src[i];
    }
}

inline void copy16(std::uint8_t* dst, const std::uint8_t* src) { std::memcpy(dst, src, 16); }

// Literals and short copies (up to 64 bytes) as fixed 16-byte moves: the compiler would
// otherwise make string instructions of them, slow to start for so few bytes.
inline void copyBytes(std::uint8_t* dst, const std::uint8_t* src, std::size_t n) {
    if (n <= 16) {
        copyShort(dst, src, n);
    } else if (n <= 64) {
        copy16(dst, src);
        if (n > 32) {
            copy16(dst + 16, src + 16);
            if (n > 48) copy16(dst + 32, src + 32);
        }
        copy16(dst + n - 16, src + n - 16);
    } else {
        // The library's move: for a bounded size the compiler's inline copy is a string
        // instruction, which is slower on the row copies of a few KB.
        std::memmove(dst, src, n);
    }
}

// memset with fixed stores for the short runs (codes 0x40..0x7F: up to 65 bytes).
inline void fillBytes(std::uint8_t* dst, std::uint8_t value, std::size_t n) {
    if (n > 80) {
        std::memset(dst, value, n);
        return;
    }
    const std::uint64_t v = 0x0101010101010101ull * value;
    std::uint8_t block[16];
    std::memcpy(block, &v, 8);
    std::memcpy(block + 8, &v, 8);
    if (n >= 16) {
        copy16(dst, block);
        if (n > 32) {
            copy16(dst + 16, block);
            if (n > 48) copy16(dst + 32, block);
            if (n > 64) copy16(dst + 48, block);
        }
        copy16(dst + n - 16, block);
    } else {
        copyShort(dst, block, n);
    }
}

// out[i] = out[i - distance] for i in [0, length), bytes taken in increasing order, so a
// copy longer than its distance repeats what it has just written. The period doubles with
// every block move, so long repeats of short periods stay block moves.
inline void forwardCopy(std::uint8_t* dst, std::size_t distance, std::size_t length) {
    if (distance >= length) {
        copyBytes(dst, dst - distance, length);
        return;
    }
    if (distance == 1) {
        fillBytes(dst, dst[-1], length);
        return;
    }
    if (length <= 16) {
        const std::uint8_t* src = dst - distance;
        for (std::size_t i = 0; i < length; ++i) dst[i] = src[i];
        return;
    }
    std::size_t span = distance;
    while (length > 0) {
        const std::size_t chunk = std::min(length, span);
        std::memcpy(dst, dst - span, chunk);
        dst += chunk;
        length -= chunk;
        span += span;
    }
}

// One pattern of `width` bytes written `repeats` times, cut to `n` bytes.
inline void fillPattern(std::uint8_t* dst, const std::uint8_t* pattern, std::size_t width, std::size_t n) {
    const std::size_t first = std::min(n, width);
    copyShort(dst, pattern, first);
    if (n > first) forwardCopy(dst + first, width, n - first);
}

std::size_t outputLimit(const DecoderState& state, std::uint64_t bytesPerPixel) {
    if (state.width <= 0 || state.height <= 0) return 0;
    const std::uint64_t limit = bytesPerPixel * static_cast<std::uint64_t>(state.width) *
                                static_cast<std::uint64_t>(state.height);
    return static_cast<std::size_t>(std::min<std::uint64_t>(limit, state.output.size()));
}

// Both decoders in one loop; they differ only in the codes from 0xC0 on. Every code first
// checks that its operands lie before the source end and cuts its output at the buffer's
// end (then decoding stops); copies may not reach before the plane's start.
template <bool kColour>
void decodeStream(DecoderState& state) {
    constexpr std::uint64_t kUnit = kColour ? 3 : 1;
    const std::size_t limit = outputLimit(state, kUnit);
    const std::uint64_t rowBytes = kUnit * static_cast<std::uint64_t>(std::max(state.width, 0));
    const std::uint8_t* const src = state.source.data();
    const std::size_t end = std::min(state.sourceEnd, state.source.size());
    std::size_t sp = std::min(state.sourcePosition, end);
    std::uint8_t* const out = state.output.data();
    const std::size_t capacity = state.output.size();
    std::size_t op = std::min(state.outputPosition, capacity);

    while (op < limit && sp < end) {
        const unsigned c = src[sp];
        const std::size_t operands = end - sp - 1;  // bytes after the code byte
        const std::uint8_t* in = src + sp + 1;
        std::size_t n;           // bytes the code produces
        std::uint64_t distance;  // copies only
        std::size_t used;        // copies: code and operand bytes
        std::size_t patternWidth;
        switch (c >> 4) {
            case 0x0: case 0x1: case 0x2: case 0x3:
                n = (c & 0x3F) + 1;
                if (operands < n) goto stop;
                sp += 1 + n;
                if (n > capacity - op) { copyBytes(out + op, in, capacity - op); op = capacity; goto stop; }
                copyBytes(out + op, in, n);
                op += n;
                // Incompressible stretches are one full literal code after the other.
                while (n == 64 && op < limit && end - sp > 64 && capacity - op >= 64 && src[sp] == 0x3F) {
                    copyBytes(out + op, src + sp + 1, 64);
                    sp += 65;
                    op += 64;
                }
                continue;
            case 0x4: case 0x5: case 0x6: case 0x7:
                if (operands < 1) goto stop;
                n = (c & 0x3F) + 2;
                sp += 2;
                if (n > capacity - op) { fillBytes(out + op, in[0], capacity - op); op = capacity; goto stop; }
                fillBytes(out + op, in[0], n);
                op += n;
                continue;
            case 0x8:
                if (operands < 2) goto stop;
                n = (c & 0x0F) * 256u + in[0] + 2;
                sp += 3;
                if (n > capacity - op) { std::memset(out + op, in[1], capacity - op); op = capacity; goto stop; }
                std::memset(out + op, in[1], n);
                op += n;
                continue;
            case 0x9: case 0xA: case 0xB:
                if (operands < 1) goto stop;
                n = (c & 0x0F) * 256u + in[0] + 1;
                distance = rowBytes << ((c >> 4) - 9);
                used = 2;
                break;
            case 0xC:
                patternWidth = kColour ? (c < 0xC8 ? 3 : 6) : (c < 0xC8 ? 2 : 4);
                goto pattern;
            case 0xD:
                if constexpr (kColour) {
                    if (operands < 2) goto stop;
                    distance = 3 * ((c & 0x0F) * 256u + in[0] + 1);
                    n = 3 * (in[1] + 1u);
                    used = 3;
                    break;
                } else {
                    patternWidth = c < 0xD8 ? 8 : 16;
                    goto pattern;
                }
            case 0xE:
                if (operands < 2) goto stop;
                distance = (c & 0x0F) * 256u + in[0] + 1;
                n = in[1] + 1u;
                used = 3;
                break;
            default:
                goto stop;  // end code
        }
        // Copies from earlier output; one that reaches before the plane's start is refused.
        if (distance == 0 || distance > op) goto stop;
        sp += used;
        if (n > capacity - op) { forwardCopy(out + op, static_cast<std::size_t>(distance), capacity - op); op = capacity; goto stop; }
        forwardCopy(out + op, static_cast<std::size_t>(distance), n);
        op += n;
        continue;
    pattern:
        // Pattern fills: patternWidth bytes after the length byte, repeated M + 2 times.
        if (operands < 1 + patternWidth) goto stop;
        n = patternWidth * ((c & 0x07) * 256u + in[0] + 2);
        sp += 2 + patternWidth;
        if (n > capacity - op) { fillPattern(out + op, in + 1, patternWidth, capacity - op); op = capacity; goto stop; }
        fillPattern(out + op, in + 1, patternWidth, n);
        op += n;
    }
stop:
    state.sourcePosition = sp;
    state.outputPosition = op;
}

}  // namespace

void decodeColourStream(DecoderState& state) { decodeStream<true>(state); }

void decodeByteStream(DecoderState& state) { decodeStream<false>(state); }
