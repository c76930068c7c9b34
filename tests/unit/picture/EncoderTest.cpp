#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "Bytes.h"
#include "picture/PackedPicture.h"
#include "picture/PackedPictureEncoder.h"
#include "picture/Picture.h"

namespace {

using Generator = std::function<std::uint8_t(int x, int y, int channel)>;

struct NamedGenerator { const char* name; Generator value; };

std::uint8_t noise(int x, int y, int c) {
    std::uint32_t h = std::uint32_t(x) * 73856093u ^ std::uint32_t(y) * 19349663u ^ std::uint32_t(c) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return std::uint8_t(h >> 24);
}

const NamedGenerator kGenerators[] = {
    {"noise", noise},
    {"flat", [](int, int, int c) { return std::uint8_t(0x40 + c); }},
    {"gradient", [](int x, int y, int c) { return std::uint8_t(x * (c + 1) + y * 3); }},
    {"vertical stripes", [](int x, int, int c) { return std::uint8_t((x / 3) % 2 ? 0xFF : c); }},
    {"checker", [](int x, int y, int) { return std::uint8_t(((x / 2) + (y / 2)) % 2 ? 200 : 10); }},
    {"few colours, shapes", [](int x, int y, int c) {
         const bool inCircle = (x - 20) * (x - 20) + (y - 15) * (y - 15) < 120;
         const bool inBox = x > 30 && x < 50 && y > 5;
         return std::uint8_t(inCircle ? 30 * c : inBox ? 90 + c : (y < 10 ? 250 : 5));
     }},
    {"repeating rows", [](int x, int y, int c) { return noise(x, y % 4, c); }},
    {"noise over flat rows", [](int x, int y, int c) { return y % 3 ? std::uint8_t(7) : noise(x, y, c); }},
};

Bytes makePlane(const Generator& g, int width, int height, int channels) {
    Bytes plane;
    plane.reserve(std::size_t(width) * height * channels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) plane.push_back(g(x, y, c));
    return plane;
}

Bytes decodeBack(const Bytes& stream, int width, int height, bool colour) {
    const std::size_t size = std::size_t(width) * height * (colour ? 3 : 1);
    Bytes plane(size + std::size_t(width) * (colour ? 3 : 1), 0xEE);
    DecoderState state;
    state.source = stream;
    state.sourceEnd = stream.size();
    state.output = plane;
    state.width = width;
    state.height = height;
    if (colour) decodeColourStream(state);
    else decodeByteStream(state);
    EXPECT_EQ(state.outputPosition, size);
    EXPECT_EQ(state.sourcePosition, stream.size());
    plane.resize(size);
    return plane;
}

struct Size { int width, height; };
const Size kSizes[] = {{1, 1}, {1, 9}, {2, 3}, {3, 7}, {4, 4}, {5, 11}, {6, 2}, {7, 13},
                       {13, 1}, {61, 37}, {400, 30}, {1400, 5}};

TEST(PackedPictureEncoder, StreamsRoundTripExactly) {
    for (const NamedGenerator& g : kGenerators) {
        for (const Size s : kSizes) {
            for (const bool colour : {true, false}) {
                const Bytes plane = makePlane(g.value, s.width, s.height, colour ? 3 : 1);
                const Bytes stream = colour ? encodeColourStream(plane, s.width, s.height)
                                            : encodeByteStream(plane, s.width, s.height);
                EXPECT_EQ(decodeBack(stream, s.width, s.height, colour), plane)
                    << g.name << " " << s.width << "x" << s.height << (colour ? " colour" : " bytes");
            }
        }
    }
}

TEST(PackedPictureEncoder, LongRepeatsUseLongCodes) {
    // Runs, pattern fills and long row copies must each cover whole planes in a few codes.
    const Bytes flat(3 * 400 * 300, 0x33);
    EXPECT_LT(encodeColourStream(flat, 400, 300).size(), 300u);
    const Bytes pixels = makePlane([](int, int, int c) { return std::uint8_t(c * 50); }, 400, 300, 3);
    EXPECT_LT(encodeColourStream(pixels, 400, 300).size(), 300u);
    const Bytes pattern = makePlane([](int x, int, int) { return std::uint8_t(x % 16); }, 400, 300, 1);
    EXPECT_LT(encodeByteStream(pattern, 400, 300).size(), 300u);
}

TEST(PackedPictureEncoder, ContainersOfEveryTagLoadBack) {
    const std::uint16_t tags[] = {kTagCB, kTagCF, kTagCT, kTagCC};
    for (const std::uint16_t tag : tags) {
        for (const Size s : {Size{1, 1}, Size{5, 3}, Size{7, 8}, Size{64, 10}}) {
            const bool indexed = tag == kTagCB || tag == kTagCC;
            PackedPictureSource source;
            source.tag = tag;
            source.aux1 = 0x1234;
            source.aux2 = 0x5678;
            source.width = s.width;
            source.height = s.height;
            source.colourPlane = makePlane(kGenerators[5].value, s.width, s.height, indexed ? 1 : 3);
            if (tag == kTagCT || tag == kTagCC) source.secondPlane = makePlane(noise, s.width, s.height, 1);
            if (indexed) source.palette = makePlane(noise, 256, 1, 3);
            std::string error;
            const Bytes file = encodePackedPicture(source, error);
            ASSERT_EQ(error, "");
            CollectingReporter reporter;
            const auto picture = loadPackedPicture(file.data(), file.size(), reporter);
            ASSERT_TRUE(picture) << tag;
            EXPECT_TRUE(reporter.messages.empty());
            EXPECT_EQ(picture->aux1, 0x1234);
            EXPECT_EQ(picture->aux2, 0x5678);
            EXPECT_EQ(picture->width, s.width);
            EXPECT_EQ(picture->height, s.height);
            const Bytes plane(picture->colourPlane.begin(), picture->colourPlane.begin() + source.colourPlane.size());
            EXPECT_EQ(plane, source.colourPlane) << tag;
            if (!source.secondPlane.empty()) {
                const Bytes second(picture->secondPlane.begin(),
                                   picture->secondPlane.begin() + source.secondPlane.size());
                EXPECT_EQ(second, source.secondPlane) << tag;
            }
            for (std::size_t i = 0; indexed && i < 256; ++i) {
                EXPECT_EQ(picture->palette[4 * i], source.palette[3 * i]);
                EXPECT_EQ(picture->palette[4 * i + 2], source.palette[3 * i + 2]);
                EXPECT_EQ(picture->palette[4 * i + 3], 1);
            }
        }
    }
}

TEST(PackedPictureEncoder, RefusesSourcesThatDoNotFitTheFormat) {
    PackedPictureSource good;
    good.tag = kTagCC;
    good.width = 2;
    good.height = 2;
    good.colourPlane = Bytes(4);
    good.secondPlane = Bytes(4);
    good.palette = Bytes(6);
    struct Case { const char* name; std::function<void(PackedPictureSource&)> spoil; };
    const Case cases[] = {
        {"unknown tag", [](PackedPictureSource& s) { s.tag = 0x5843; }},
        {"width above 65535", [](PackedPictureSource& s) { s.width = 70000; }},
        {"colour plane of the wrong size", [](PackedPictureSource& s) { s.colourPlane.pop_back(); }},
        {"second plane missing", [](PackedPictureSource& s) { s.secondPlane.clear(); }},
        {"palette of 257 entries", [](PackedPictureSource& s) { s.palette.assign(771, 0); }},
        {"palette of partial entries", [](PackedPictureSource& s) { s.palette.assign(5, 0); }},
    };
    std::string error;
    EXPECT_FALSE(encodePackedPicture(good, error).empty());
    EXPECT_EQ(error, "");
    for (const Case& c : cases) {
        PackedPictureSource source = good;
        c.spoil(source);
        EXPECT_TRUE(encodePackedPicture(source, error).empty()) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

}  // namespace
