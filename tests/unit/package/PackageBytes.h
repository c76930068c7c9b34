#pragma once
// Builds Install Package bytes by hand, field by field, for the reader tests.
#include "package/PackageFormat.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct Bytes {
    std::vector<std::uint8_t> data;
    Bytes& u8(std::uint8_t v) { data.push_back(v); return *this; }
    Bytes& u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes& i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
    Bytes& text(const std::string& s) { data.insert(data.end(), s.begin(), s.end()); return *this; }
    Bytes& fill(std::size_t n, std::uint8_t v = 0) { data.insert(data.end(), n, v); return *this; }
    Bytes& bytes(const std::vector<std::uint8_t>& b) { data.insert(data.end(), b.begin(), b.end()); return *this; }
    std::size_t size() const { return data.size(); }
};

struct TestFile { std::string name; std::string data; };
struct TestLink { std::string name, target; };

// A small package: header at `headerOffset`, a picture block of `bmp` bytes, a chip block
// of `frames` frames of 2 x 3 pixels, the file table at the end of the chip block.
struct TestPackage {
    std::uint32_t headerOffset = 64;
    std::string gameName = "Orbit";
    std::string gameTitle = "Orbit Title";
    std::uint16_t version = kHeaderVersion;
    std::string bmp = "BM-picture";
    std::int32_t frames = 8, width = 2, height = 3;
    std::vector<TestFile> files;
    std::vector<TestLink> links;

    PackageHeader header(std::uint32_t setupImageSize) const {
        PackageHeader h;
        h.headerVersion = version;
        std::memcpy(h.gameName, gameName.data(), std::min(gameName.size(), sizeof h.gameName));
        std::memcpy(h.gameTitle, gameTitle.data(), std::min(gameTitle.size(), sizeof h.gameTitle));
        h.gameVersion = 100;
        h.installButtonX = 10; h.installButtonY = 20; h.quitButtonX = 30; h.quitButtonY = 40;
        h.setupImageSize = setupImageSize;
        h.totalInstallSize = 0;
        for (const auto& f : files) h.totalInstallSize += static_cast<std::uint32_t>(f.data.size());
        return h;
    }

    std::size_t headSize() const {
        return headerOffset + kHeaderSize + 4 + bmp.size() + 4 + kChipSheetHeaderSize +
               std::size_t(frames) * width * height;
    }

    Bytes build() const {
        Bytes b;
        b.fill(headerOffset, 0xCC);
        auto h = serializePackageHeader(header(static_cast<std::uint32_t>(headSize())));
        b.data.insert(b.data.end(), h.begin(), h.end());
        b.u32(static_cast<std::uint32_t>(bmp.size())).text(bmp).u32(0xDEADBEEF);
        b.i32(frames).i32(width).i32(height).fill(768, 7).fill(std::size_t(frames) * width * height, 9);
        b.i32(static_cast<std::int32_t>(files.size()));
        for (const auto& f : files)
            b.u8(static_cast<std::uint8_t>(f.name.size())).text(scrambleName(f.name))
                .u32(static_cast<std::uint32_t>(f.data.size())).text(f.data);
        b.u8(static_cast<std::uint8_t>(links.size()));
        for (const auto& l : links)
            b.u8(static_cast<std::uint8_t>(l.name.size())).text(l.name)
                .u8(static_cast<std::uint8_t>(l.target.size())).text(l.target);
        return b;
    }
};
