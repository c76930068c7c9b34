#include <gtest/gtest.h>

#include <numeric>

#include "Bytes.h"
#include "picture/PackedPicture.h"

namespace {

struct Decoded {
    Bytes plane;             // the whole buffer, spare row included
    std::size_t written = 0;
    std::size_t consumed = 0;
    Bytes produced() const { return Bytes(plane.begin(), plane.begin() + written); }
};

constexpr std::uint8_t kUntouched = 0xEE;

Decoded decode(const Bytes& stream, int width, int height, bool colour,
               std::size_t capacity = 0, std::size_t start = 0, std::size_t end = SIZE_MAX) {
    const std::size_t unit = colour ? 3 : 1;
    Decoded result;
    result.plane.assign(capacity ? capacity : unit * width * (height + 1), kUntouched);
    DecoderState state;
    state.source = stream;
    state.sourcePosition = start;
    state.sourceEnd = end == SIZE_MAX ? stream.size() : end;
    state.output = result.plane;
    state.width = width;
    state.height = height;
    if (colour) decodeColourStream(state);
    else decodeByteStream(state);
    result.written = state.outputPosition;
    result.consumed = state.sourcePosition;
    return result;
}

TEST(ByteStreamDecoder, DecodesEveryCodeKindUntilTheSourceEnd) {
    const Bytes stream = {0x02, 0x41, 0x42, 0x43, 0x41, 0x58, 0x80, 0x01, 0x5A, 0xC0, 0x00, 0x01,
                          0x02, 0xC8, 0x00, 0x10, 0x11, 0x12, 0x13, 0xE0, 0x01, 0x02, 0x90, 0x03};
    const Decoded d = decode(stream, 8, 6, false);
    const Bytes expected = {0x41, 0x42, 0x43, 0x58, 0x58, 0x58, 0x5A, 0x5A, 0x5A, 0x01,
                            0x02, 0x01, 0x02, 0x10, 0x11, 0x12, 0x13, 0x10, 0x11, 0x12,
                            0x13, 0x12, 0x13, 0x12, 0x13, 0x10, 0x11, 0x12};
    EXPECT_EQ(d.produced(), expected);
    EXPECT_EQ(d.consumed, 24u);
    EXPECT_EQ(d.plane[28], kUntouched);
}

TEST(ColourStreamDecoder, DecodesEveryCodeKind) {
    const Bytes stream = {0x05, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x42, 0x77, 0x80, 0x02,
                          0x88, 0xC0, 0x00, 0xA1, 0xA2, 0xA3, 0xC8, 0x00, 0xB1, 0xB2, 0xB3,
                          0xB4, 0xB5, 0xB6, 0xD0, 0x02, 0x01, 0xE0, 0x04, 0x02};
    const Decoded d = decode(stream, 4, 8, true);
    const Bytes expected = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x77, 0x77, 0x77, 0x88,
                            0x88, 0x88, 0x88, 0xA1, 0xA2, 0xA3, 0xA1, 0xA2, 0xA3, 0xB1, 0xB2,
                            0xB3, 0xB4, 0xB5, 0xB6, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB4,
                            0xB5, 0xB6, 0xB1, 0xB2, 0xB3, 0xB5, 0xB6, 0xB1};
    EXPECT_EQ(d.produced(), expected);
    EXPECT_EQ(d.consumed, stream.size());
}

TEST(ColourStreamDecoder, RowCopyLongerThanItsDistanceRepeatsWhatItJustWrote) {
    Bytes stream = {0x0B};
    for (std::uint8_t i = 0; i < 12; ++i) stream.push_back(i);
    stream = stream + Bytes{0x90, 0x1F};
    const Decoded d = decode(stream, 4, 10, true);
    Bytes expected;
    for (int i = 0; i < 44; ++i) expected.push_back(std::uint8_t(i % 12));
    EXPECT_EQ(d.produced(), expected);
}

TEST(ByteStreamDecoder, CodeLengthBoundaries) {
    struct Case { const char* name; Bytes stream; Bytes expected; };
    const Case cases[] = {
        {"0x00 copies one literal", {0x00, 0x09}, {0x09}},
        {"0x3F copies 64 literals", Bytes{0x3F} + repeated({0x07}, 64), repeated({0x07}, 64)},
        {"0x40 writes two copies", {0x40, 0x05}, {0x05, 0x05}},
        {"0x7F writes 65 copies", {0x7F, 0x05}, repeated({0x05}, 65)},
        {"0x8F 0xFF writes 4097 copies", {0x8F, 0xFF, 0x03}, repeated({0x03}, 4097)},
        {"0xC0 0x00 writes its 2-byte pattern twice", {0xC0, 0x00, 0x01, 0x02}, {0x01, 0x02, 0x01, 0x02}},
        {"0xE0 0x00 0xFF repeats the previous byte 256 times", {0x00, 0x61, 0xE0, 0x00, 0xFF},
         repeated({0x61}, 257)},
    };
    for (const Case& c : cases) {
        const Decoded d = decode(c.stream, 64, 80, false);
        EXPECT_EQ(d.produced(), c.expected) << c.name;
        EXPECT_EQ(d.consumed, c.stream.size()) << c.name;
    }
}

TEST(ByteStreamDecoder, WidestPatternFillWrites32784Bytes) {
    Bytes pattern;
    for (std::uint8_t i = 0; i < 16; ++i) pattern.push_back(std::uint8_t(0x30 + i));
    const Decoded d = decode(Bytes{0xDF, 0xFF} + pattern, 16, 2049, false);
    ASSERT_EQ(d.written, 2049u * 16u);
    for (std::size_t i = 0; i < d.written; ++i) ASSERT_EQ(d.plane[i], pattern[i % 16]) << i;
}

TEST(ByteStreamDecoder, RowCopyInAOnePixelWidePlaneRepeatsThePreviousByte) {
    const Decoded d = decode({0x00, 0x2A, 0x90, 0x04}, 1, 8, false);
    EXPECT_EQ(d.produced(), repeated({0x2A}, 6));
}

TEST(Decoders, EndCodeStopsEvenWithOutputMissingAndDataLeft) {
    for (int code = 0xF0; code <= 0xFF; ++code) {
        for (const bool colour : {false, true}) {
            const Bytes stream = {0x00, 0x01, std::uint8_t(code), 0x00, 0x02};
            const Decoded d = decode(stream, 4, 4, colour);
            EXPECT_EQ(d.produced(), Bytes{0x01}) << code;
            EXPECT_EQ(d.consumed, 2u) << code;
        }
    }
}

TEST(Decoders, SourceEndBeforeThePlaneIsFullLeavesTheRestUntouched) {
    const Decoded d = decode({0x40, 0x01, 0x40, 0x02}, 4, 4, false, 0, 0, 2);
    EXPECT_EQ(d.produced(), (Bytes{0x01, 0x01}));
    EXPECT_EQ(d.consumed, 2u);
    for (std::size_t i = 2; i < d.plane.size(); ++i) EXPECT_EQ(d.plane[i], kUntouched);
}

TEST(Decoders, FullPlaneStopsWithBytesLeftInTheBlock) {
    const Decoded d = decode({0x41, 0x01, 0x42, 0x02}, 3, 1, false);
    EXPECT_EQ(d.produced(), (Bytes{0x01, 0x01, 0x01}));
    EXPECT_EQ(d.consumed, 2u);
}

TEST(Decoders, FinalCodeMayOvershootIntoTheSpareRow) {
    const Decoded d = decode({0x00, 0x01, 0x45, 0x02}, 4, 1, false);
    EXPECT_EQ(d.written, 8u);
    EXPECT_EQ(d.produced(), (Bytes{0x01, 0x02, 0x02, 0x02, 0x02, 0x02, 0x02, 0x02}));
}

TEST(Decoders, StartsAfterThePaletteBytes) {
    const Decoded d = decode({0x10, 0x20, 0x30, 0x41, 0x07}, 3, 1, false, 0, 3);
    EXPECT_EQ(d.produced(), (Bytes{0x07, 0x07, 0x07}));
}

// Hostile streams: each stops cleanly, keeps what came before, and stays inside both
// buffers (the plane here has exactly the given capacity, so ASan sees any overrun).
TEST(Decoders, MalformedStreamsStopSafely) {
    struct Case {
        const char* name;
        bool colour;
        Bytes stream;
        std::size_t capacity;
        Bytes expected;
        std::size_t consumed;
        std::size_t sourceEnd = SIZE_MAX;
    };
    const Case cases[] = {
        {"literal operands beyond the source end", false, {0x40, 0x01, 0x05, 0x02, 0x03}, 40, {0x01, 0x01}, 2},
        {"run value missing", false, {0x80, 0x01}, 40, {}, 0},
        {"pattern bytes missing", false, Bytes{0xD8, 0x00} + repeated({0x01}, 15), 80, {}, 0},
        {"pixel bytes missing", true, {0xC8, 0x00, 1, 2, 3, 4, 5}, 80, {}, 0},
        {"back-reference length missing", false, {0x00, 0x01, 0xE0, 0x00}, 40, {0x01}, 2},
        {"row copy before the plane's start", false, {0x00, 0x01, 0x90, 0x00}, 40, {0x01}, 2},
        {"back-reference before the plane's start", false, {0x00, 0x01, 0xE0, 0x01, 0x00}, 40, {0x01}, 2},
        {"pixel back-reference before the plane's start", true, {0x01, 0x01, 0x02, 0xD0, 0x00, 0x00}, 40,
         {0x01, 0x02}, 3},
        {"run beyond the spare row is cut at the buffer end", false, {0x8F, 0xFF, 0x09}, 40,
         repeated({0x09}, 40), 3},
        {"copy beyond the spare row is cut at the buffer end", false, {0x00, 0x05, 0xE0, 0x00, 0xFF}, 40,
         repeated({0x05}, 40), 5},
        {"pattern beyond the spare row is cut at the buffer end", true, {0xC0, 0x10, 0x01, 0x02, 0x03}, 40,
         Bytes(repeated({0x01, 0x02, 0x03}, 13)) + Bytes{0x01}, 5},
        {"source end past the block is held to the block", false, {0x01, 0x07}, 40, {}, 0, 100},
    };
    for (const Case& c : cases) {
        const Decoded d = decode(c.stream, 4, 4, c.colour, c.capacity, 0, c.sourceEnd);
        EXPECT_EQ(d.produced(), c.expected) << c.name;
        EXPECT_EQ(d.consumed, c.consumed) << c.name;
    }
}

TEST(Decoders, ZeroWidthOrHeightWritesNothing) {
    for (const bool colour : {false, true}) {
        EXPECT_EQ(decode({0x40, 0x01}, 0, 4, colour, 8).written, 0u);
        EXPECT_EQ(decode({0x40, 0x01}, 4, 0, colour, 16).written, 0u);
    }
}

}  // namespace
