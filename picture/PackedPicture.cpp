#include "picture/PackedPicture.h"

#include <algorithm>
#include <cstring>

namespace {

// out[i] = out[i - distance] for i in [0, length), bytes taken in increasing order, so a
// copy longer than its distance repeats what it has just written. The period doubles with
// every block move, so long repeats of short periods stay block moves.
void forwardCopy(std::uint8_t* dst, std::size_t distance, std::size_t length) {
    if (distance >= length) {
        std::memcpy(dst, dst - distance, length);
        return;
    }
    if (distance == 1) {
        std::memset(dst, dst[-1], length);
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

// The working copy of the decoder state: the source and output bounds checked once, and
// every code clipped to them.
struct Cursor {
    const std::uint8_t* source;
    std::size_t position;
    std::size_t end;
    std::uint8_t* output;
    std::size_t written;
    std::size_t capacity;
    bool stopped = false;

    bool hasOperands(std::size_t count) const { return end - position > count; }
    std::size_t room(std::size_t wanted) {
        const std::size_t left = capacity - written;
        if (wanted >= left) {
            stopped = wanted > left;
            return left;
        }
        return wanted;
    }
    void literal(const std::uint8_t* bytes, std::size_t count) {
        const std::size_t n = room(count);
        std::memcpy(output + written, bytes, n);
        written += n;
    }
    void run(std::uint8_t value, std::size_t count) {
        const std::size_t n = room(count);
        std::memset(output + written, value, n);
        written += n;
    }
    void pattern(const std::uint8_t* bytes, std::size_t width, std::size_t repeats) {
        const std::size_t n = room(width * repeats);
        const std::size_t first = std::min(n, width);
        std::memcpy(output + written, bytes, first);
        if (n > first) forwardCopy(output + written + first, width, n - first);
        written += n;
    }
    // False (and nothing written) when the copy would reach before the plane's start.
    bool copy(std::uint64_t distance, std::size_t count) {
        if (distance == 0 || distance > written) return false;
        const std::size_t n = room(count);
        forwardCopy(output + written, static_cast<std::size_t>(distance), n);
        written += n;
        return true;
    }
};

std::size_t outputLimit(const DecoderState& state, std::uint64_t bytesPerPixel) {
    if (state.width <= 0 || state.height <= 0) return 0;
    const std::uint64_t limit =
        bytesPerPixel * static_cast<std::uint64_t>(state.width) * static_cast<std::uint64_t>(state.height);
    return static_cast<std::size_t>(std::min<std::uint64_t>(limit, state.output.size()));
}

Cursor cursorOf(const DecoderState& state) {
    Cursor cursor{state.source.data(), state.sourcePosition,
                  std::min(state.sourceEnd, state.source.size()), state.output.data(),
                  state.outputPosition, state.output.size()};
    if (cursor.position > cursor.end) cursor.position = cursor.end;
    if (cursor.written > cursor.capacity) cursor.written = cursor.capacity;
    return cursor;
}

void storeCursor(DecoderState& state, const Cursor& cursor) {
    state.sourcePosition = cursor.position;
    state.outputPosition = cursor.written;
}

// The codes both decoders share (0x00..0xBF). Returns false to stop.
bool decodeSharedCode(Cursor& cur, std::uint8_t c, std::uint64_t rowBytes) {
    const std::uint8_t* operands = cur.source + cur.position + 1;
    if (c < 0x40) {
        const std::size_t count = (c & 0x3F) + 1u;
        if (!cur.hasOperands(count)) return false;
        cur.position += 1 + count;
        cur.literal(operands, count);
    } else if (c < 0x80) {
        if (!cur.hasOperands(1)) return false;
        cur.position += 2;
        cur.run(operands[0], (c & 0x3F) + 2u);
    } else if (c < 0x90) {
        if (!cur.hasOperands(2)) return false;
        cur.position += 3;
        cur.run(operands[1], (c & 0x0Fu) * 256u + operands[0] + 2u);
    } else {
        if (!cur.hasOperands(1)) return false;
        static constexpr std::uint64_t kRowsBack[3] = {1, 2, 4};
        const std::uint64_t distance = rowBytes * kRowsBack[(c >> 4) - 9];
        if (!cur.copy(distance, (c & 0x0Fu) * 256u + operands[0] + 1u)) return false;
        cur.position += 2;
    }
    return !cur.stopped;
}

bool decodeBackReference(Cursor& cur, std::uint8_t c, std::size_t unit) {
    if (!cur.hasOperands(2)) return false;
    const std::uint8_t* operands = cur.source + cur.position + 1;
    const std::uint64_t distance = ((c & 0x0Fu) * 256u + operands[0] + 1u) * unit;
    if (!cur.copy(distance, (operands[1] + 1u) * unit)) return false;
    cur.position += 3;
    return !cur.stopped;
}

bool decodePatternCode(Cursor& cur, std::uint8_t c, std::size_t patternBytes) {
    if (!cur.hasOperands(1 + patternBytes)) return false;
    const std::uint8_t* operands = cur.source + cur.position + 1;
    cur.position += 2 + patternBytes;
    cur.pattern(operands + 1, patternBytes, (c & 0x07u) * 256u + operands[0] + 2u);
    return !cur.stopped;
}

}  // namespace

void decodeColourStream(DecoderState& state) {
    const std::size_t limit = outputLimit(state, 3);
    const std::uint64_t rowBytes = 3 * static_cast<std::uint64_t>(std::max(state.width, 0));
    Cursor cur = cursorOf(state);
    while (cur.written < limit && cur.position < cur.end) {
        const std::uint8_t c = cur.source[cur.position];
        if (c >= 0xF0) break;
        bool more;
        if (c < 0xC0) more = decodeSharedCode(cur, c, rowBytes);
        else if (c < 0xC8) more = decodePatternCode(cur, c, 3);
        else if (c < 0xD0) more = decodePatternCode(cur, c, 6);
        else if (c < 0xE0) more = decodeBackReference(cur, c, 3);
        else more = decodeBackReference(cur, c, 1);
        if (!more) break;
    }
    storeCursor(state, cur);
}

void decodeByteStream(DecoderState& state) {
    const std::size_t limit = outputLimit(state, 1);
    const std::uint64_t rowBytes = static_cast<std::uint64_t>(std::max(state.width, 0));
    Cursor cur = cursorOf(state);
    while (cur.written < limit && cur.position < cur.end) {
        const std::uint8_t c = cur.source[cur.position];
        if (c >= 0xF0) break;
        bool more;
        if (c < 0xC0) more = decodeSharedCode(cur, c, rowBytes);
        else if (c < 0xE0) more = decodePatternCode(cur, c, std::size_t(2) << ((c >> 3) & 3));
        else more = decodeBackReference(cur, c, 1);
        if (!more) break;
    }
    storeCursor(state, cur);
}
