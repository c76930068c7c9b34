// Packed Picture decoding and encoding against their ceilings and peers:
//   decode/<plane>/<picture>/{ours,memcpy,lz4}   output bytes per second; memcpy moves the
//       same number of bytes, lz4 is LZ4_decompress_safe on the same pixels packed by LZ4;
//   encode/<plane>/<picture>/{ours,zlib}         input bytes per second, with the packed
//       size in the counter packed_bytes (and stored_bytes for the resource pictures).
// Pictures: the three resource pictures as stored (colour) and their green channel as a
// byte plane, and large synthetic pictures: run-heavy, mixed and noisy.
#include "picture/PackedPicture.h"
#include "picture/PackedPictureEncoder.h"
#include "picture/Picture.h"

#include <benchmark/benchmark.h>
#include <lz4.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Sample {
    std::string name;
    bool colour = true;
    std::int32_t width = 0, height = 0;
    Bytes pixels;          // the plane, exactly unit x width x height bytes
    Bytes stream;          // Packed Picture stream of the plane
    Bytes lz4;             // LZ4 block of the plane
    std::size_t storedBytes = 0;  // resource pictures: the stored block's length
};

std::size_t unitOf(const Sample& s) { return s.colour ? 3 : 1; }
std::size_t planeBytes(const Sample& s) { return unitOf(s) * std::size_t(s.width) * std::size_t(s.height); }

[[noreturn]] void die(const std::string& why) {
    std::fprintf(stderr, "bench_picture: %s\n", why.c_str());
    std::exit(1);
}

Bytes readWhole(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) die("cannot open " + path);
    Bytes data;
    std::uint8_t buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) data.insert(data.end(), buffer, buffer + n);
    std::fclose(f);
    return data;
}

std::uint32_t le(const Bytes& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + i];
    return v;
}

// Decodes into a plane with the spare row the decoders expect.
Bytes decode(const Sample& s, const Bytes& stream) {
    Bytes out(planeBytes(s) + unitOf(s) * std::size_t(s.width), 0);
    DecoderState state{stream, 0, stream.size(), out, 0, s.width, s.height};
    if (s.colour) decodeColourStream(state);
    else decodeByteStream(state);
    out.resize(planeBytes(s));
    return out;
}

void finish(Sample& s) {
    if (s.stream.empty()) {
        s.stream = s.colour ? encodeColourStream(s.pixels, s.width, s.height)
                            : encodeByteStream(s.pixels, s.width, s.height);
    }
    if (decode(s, s.stream) != s.pixels) die(s.name + ": the stream does not decode to the picture");
    s.lz4.resize(LZ4_compressBound(int(s.pixels.size())));
    int n = LZ4_compress_default(reinterpret_cast<const char*>(s.pixels.data()), reinterpret_cast<char*>(s.lz4.data()),
                                 int(s.pixels.size()), int(s.lz4.size()));
    if (n <= 0) die(s.name + ": LZ4 cannot pack the picture");
    s.lz4.resize(std::size_t(n));
}

std::vector<Sample> resourcePictures() {
    std::vector<Sample> samples;
    for (int i = 0; i < 3; ++i) {
        std::string name = "IDR_DATA0" + std::to_string(i);
        Bytes file = readWhole(std::string(TOLMAR_SOURCE_DIR) + "/resources/pictures/" + name + ".bin");
        if (file.size() < kPackedHeaderSize || le(file, 0, 2) != kTagCF) die(name + ": not a CF picture");
        Sample s{name, true, std::int32_t(le(file, 8, 2)), std::int32_t(le(file, 10, 2)), {}, {}, {}, 0};
        std::size_t block = le(file, 12, 4);
        if (block > file.size() - kPackedHeaderSize) die(name + ": block past the file's end");
        s.stream.assign(file.begin() + kPackedHeaderSize, file.begin() + std::ptrdiff_t(kPackedHeaderSize + block));
        s.storedBytes = block;
        s.pixels = decode(s, s.stream);
        // The same picture as a byte plane: its green channel, packed by our encoder.
        Sample g{name, false, s.width, s.height, {}, {}, {}, 0};
        for (std::size_t p = 1; p < s.pixels.size(); p += 3) g.pixels.push_back(s.pixels[p]);
        samples.push_back(std::move(s));
        samples.push_back(std::move(g));
    }
    return samples;
}

struct Random {
    std::uint64_t state;
    std::uint32_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return std::uint32_t(state >> 16);
    }
};

// Flat-coloured bands of blocks, as in cel art: long runs and rows equal to the one below.
void paintRunHeavy(Bytes& p, std::size_t width, std::size_t height, std::size_t unit, Random& r) {
    std::size_t row = 0;
    while (row < height) {
        std::size_t band = std::min<std::size_t>(height - row, 16 + r.next() % 112);
        std::vector<std::uint8_t> line(width * unit);
        for (std::size_t x = 0; x < width;) {
            std::size_t span = std::min<std::size_t>(width - x, 64 + r.next() % 448);
            std::uint32_t colour = r.next();
            for (std::size_t i = 0; i < span; ++i)
                for (std::size_t u = 0; u < unit; ++u) line[(x + i) * unit + u] = std::uint8_t(colour >> (8 * u));
            x += span;
        }
        for (std::size_t y = 0; y < band; ++y) std::memcpy(&p[(row + y) * width * unit], line.data(), line.size());
        row += band;
    }
}

// A posterised gradient (steps of 8 pixels), solid shapes, and one quarter of fine noise.
void paintMixed(Bytes& p, std::size_t width, std::size_t height, std::size_t unit, Random& r) {
    for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            std::uint8_t* px = &p[(y * width + x) * unit];
            bool noise = x >= width / 2 && y >= height / 2;
            bool disc = ((x % 256) - 128) * ((x % 256) - 128) + ((y % 256) - 128) * ((y % 256) - 128) < 60 * 60;
            for (std::size_t u = 0; u < unit; ++u) {
                std::uint8_t v = std::uint8_t((x / 8) * (3 + u) + (y / 8) * (5 + 2 * u));
                if (disc) v = std::uint8_t(40 * (u + 1));
                if (noise) v = std::uint8_t(v + (r.next() & 15));
                px[u] = v;
            }
        }
    }
}

void paintNoisy(Bytes& p, Random& r) {
    for (auto& b : p) b = std::uint8_t(r.next());
}

std::vector<Sample> syntheticPictures(std::int32_t width, std::int32_t height) {
    std::vector<Sample> samples;
    for (bool colour : {true, false}) {
        for (const char* kind : {"runheavy", "mixed", "noisy"}) {
            Sample s{std::string(kind) + "-" + std::to_string(width) + "x" + std::to_string(height), colour, width, height,
                     {}, {}, {}, 0};
            s.pixels.resize(planeBytes(s));
            Random r{0x9E3779B97F4A7C15ull ^ std::uint64_t(kind[0]) ^ (colour ? 1 : 2)};
            if (kind[0] == 'r') paintRunHeavy(s.pixels, std::size_t(width), std::size_t(height), unitOf(s), r);
            else if (kind[0] == 'm') paintMixed(s.pixels, std::size_t(width), std::size_t(height), unitOf(s), r);
            else paintNoisy(s.pixels, r);
            samples.push_back(std::move(s));
        }
    }
    return samples;
}

std::string planeName(const Sample& s) { return s.colour ? "colour" : "byte"; }

void setSizes(benchmark::State& state, const Sample& s) {
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(planeBytes(s)));
    state.counters["raw_bytes"] = double(planeBytes(s));
}

void decodeOurs(benchmark::State& state, const Sample* s) {
    Bytes out(planeBytes(*s) + unitOf(*s) * std::size_t(s->width));
    for (auto _ : state) {
        DecoderState d{s->stream, 0, s->stream.size(), out, 0, s->width, s->height};
        if (s->colour) decodeColourStream(d);
        else decodeByteStream(d);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    setSizes(state, *s);
    state.counters["packed_bytes"] = double(s->stream.size());
}

void decodeMemcpy(benchmark::State& state, const Sample* s) {
    Bytes out(planeBytes(*s));
    for (auto _ : state) {
        std::memcpy(out.data(), s->pixels.data(), out.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    setSizes(state, *s);
}

void decodeLz4(benchmark::State& state, const Sample* s) {
    Bytes out(planeBytes(*s));
    for (auto _ : state) {
        int n = LZ4_decompress_safe(reinterpret_cast<const char*>(s->lz4.data()), reinterpret_cast<char*>(out.data()),
                                    int(s->lz4.size()), int(out.size()));
        benchmark::DoNotOptimize(n);
        benchmark::ClobberMemory();
    }
    setSizes(state, *s);
    state.counters["packed_bytes"] = double(s->lz4.size());
}

void encodeOurs(benchmark::State& state, const Sample* s) {
    std::size_t packed = 0;
    for (auto _ : state) {
        Bytes stream = s->colour ? encodeColourStream(s->pixels, s->width, s->height)
                                 : encodeByteStream(s->pixels, s->width, s->height);
        packed = stream.size();
        benchmark::DoNotOptimize(stream.data());
    }
    setSizes(state, *s);
    state.counters["packed_bytes"] = double(packed);
    if (s->storedBytes) state.counters["stored_bytes"] = double(s->storedBytes);
}

void encodeZlib(benchmark::State& state, const Sample* s) {
    Bytes out(compressBound(uLong(s->pixels.size())));
    uLongf packed = 0;
    for (auto _ : state) {
        packed = uLongf(out.size());
        if (compress2(out.data(), &packed, s->pixels.data(), uLong(s->pixels.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
            state.SkipWithError("compress2 failed");
        benchmark::DoNotOptimize(out.data());
    }
    setSizes(state, *s);
    state.counters["packed_bytes"] = double(packed);
}

void registerSample(const Sample& s) {
    std::string tail = planeName(s) + "/" + s.name + "/";
    benchmark::RegisterBenchmark(("decode/" + tail + "ours").c_str(), decodeOurs, &s)->MinTime(0.2);
    benchmark::RegisterBenchmark(("decode/" + tail + "memcpy").c_str(), decodeMemcpy, &s)->MinTime(0.2);
    benchmark::RegisterBenchmark(("decode/" + tail + "lz4").c_str(), decodeLz4, &s)->MinTime(0.2);
    benchmark::RegisterBenchmark(("encode/" + tail + "ours").c_str(), encodeOurs, &s)->MinTime(0.2);
    benchmark::RegisterBenchmark(("encode/" + tail + "zlib").c_str(), encodeZlib, &s)->MinTime(0.2);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // Kept alive for the whole run: the benchmarks hold pointers into it.
    static std::vector<Sample> samples = resourcePictures();
    for (auto& s : syntheticPictures(2048, 2048)) samples.push_back(std::move(s));
    for (auto& s : samples) finish(s);
    for (const auto& s : samples) registerSample(s);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
