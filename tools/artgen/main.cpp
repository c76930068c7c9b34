// artgen: draws the wizard's pictures and button sheet and the sample game's art.
// Usage: artgen REPO [PREVIEW_DIR]; writes into REPO/resources/pictures and REPO/tests/sample,
// and PNG previews of the resource files into PREVIEW_DIR when given.
#include "picture/ChipSheet.h"
#include "picture/PackedPictureEncoder.h"
#include "picture/Picture.h"
#include "tools/artgen/Art.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
    return ok;
}

bool writePng(const std::string& path, int width, int height, int channels, const std::vector<std::uint8_t>& pixels) {
    bool ok = stbi_write_png(path.c_str(), width, height, channels, pixels.data(), width * channels) != 0;
    if (!ok) std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
    return ok;
}

bool writePng(const std::string& path, const Canvas& canvas) {
    return writePng(path, canvas.width, canvas.height, 3, toRgb8(canvas));
}

// Frames side by side (the strip the package builder reads), or stacked for a preview;
// index 255 becomes fully transparent.
bool writeChipPng(const std::string& path, const ChipSheet& sheet, bool sideBySide) {
    int w = sheet.frameWidth, h = sheet.frameHeight, n = sheet.frameCount;
    int width = sideBySide ? w * n : w, height = sideBySide ? h : h * n;
    std::vector<std::uint8_t> rgba(std::size_t(width) * height * 4);
    for (int f = 0; f < n; ++f)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t index = sheet.pixels[(std::size_t(f) * h + y) * w + x];
                int ox = sideBySide ? f * w + x : x, oy = sideBySide ? y : f * h + y;
                std::uint8_t* p = &rgba[(std::size_t(oy) * width + ox) * 4];
                p[0] = sheet.palette[index * 3 + 2];
                p[1] = sheet.palette[index * 3 + 1];
                p[2] = sheet.palette[index * 3];
                p[3] = index == kChipTransparent ? 0 : 255;
            }
    return writePng(path, width, height, 4, rgba);
}

// "CF", colour plane blue-green-red and bottom-up as the format stores it.
std::vector<std::uint8_t> packedPicture(const Canvas& canvas) {
    PackedPictureSource source;
    source.tag = kTagCF;
    source.width = canvas.width;
    source.height = canvas.height;
    std::vector<std::uint8_t> rgb = toRgb8(canvas);
    for (int y = canvas.height - 1; y >= 0; --y)
        for (int x = 0; x < canvas.width; ++x) {
            const std::uint8_t* p = &rgb[(std::size_t(y) * canvas.width + x) * 3];
            source.colourPlane.insert(source.colourPlane.end(), {p[2], p[1], p[0]});
        }
    std::string error;
    std::vector<std::uint8_t> file = encodePackedPicture(source, error);
    if (!error.empty()) std::fprintf(stderr, "artgen: %s\n", error.c_str());
    return file;
}

// The page as the program shows it: buttons drawn over the picture, scaled up twice so the
// details can be judged.
bool writeComposedPng(const std::string& path, const Canvas& page, const ChipSheet& sheet,
                      const std::vector<std::array<int, 3>>& buttons) {
    std::vector<std::uint8_t> rgb = toRgb8(page);
    for (auto [frame, bx, by] : buttons)
        for (int y = 0; y < sheet.frameHeight; ++y)
            for (int x = 0; x < sheet.frameWidth; ++x) {
                std::uint8_t index = sheet.pixels[(std::size_t(frame) * sheet.frameHeight + y) * sheet.frameWidth + x];
                if (index == kChipTransparent) continue;
                std::uint8_t* p = &rgb[(std::size_t(by + y) * page.width + bx + x) * 3];
                p[0] = sheet.palette[index * 3 + 2], p[1] = sheet.palette[index * 3 + 1], p[2] = sheet.palette[index * 3];
            }
    std::vector<std::uint8_t> big(rgb.size() * 4);
    for (int y = 0; y < page.height * 2; ++y)
        for (int x = 0; x < page.width * 2; ++x)
            std::memcpy(&big[(std::size_t(y) * page.width * 2 + x) * 3], &rgb[(std::size_t(y / 2) * page.width + x / 2) * 3], 3);
    return writePng(path, page.width * 2, page.height * 2, 3, big);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: artgen REPO [PREVIEW_DIR]\n");
        return 2;
    }
    std::string repo = argv[1], preview = argc == 3 ? argv[2] : "";
    Fonts fonts{Font("/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"),
                Font("/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf")};
    bool ok = true;

    auto pages = wizardPages(fonts);
    for (int i = 0; i < 3; ++i) {
        std::string name = "IDR_DATA0" + std::to_string(i);
        ok = writeFile(repo + "/resources/pictures/" + name + ".bin", packedPicture(pages[i])) && ok;
        if (!preview.empty()) ok = writePng(preview + "/" + name + ".png", pages[i]) && ok;
    }
    ChipSheet chips = wizardButtons(fonts);
    ok = writeFile(repo + "/resources/pictures/IDR_DATA03.bin", serializeChipSheet(chips)) && ok;
    if (!preview.empty()) ok = writeChipPng(preview + "/IDR_DATA03.png", chips, false) && ok;

    Canvas menu = sampleMenu(fonts);
    ChipSheet menuChips = sampleButtons(fonts);
    ok = writePng(repo + "/tests/sample/menu.png", menu) && ok;
    ok = writeChipPng(repo + "/tests/sample/buttons.png", menuChips, true) && ok;
    if (!preview.empty()) {
        ok = writeComposedPng(preview + "/page0.png", pages[0], chips, {{0, 24, 256}, {5, 144, 256}, {8, 264, 256}}) && ok;
        ok = writeComposedPng(preview + "/page1.png", pages[1], chips, {{16, 144, 256}, {12, 264, 256}, {20, 264, 172}}) && ok;
        ok = writeComposedPng(preview + "/page2.png", pages[2], chips,
                              {{18, 144, 256}, {12, 264, 256}, {26, 30, 92}, {28, 160, 92}, {33, 30, 162}, {38, 160, 162}}) && ok;
        ok = writeComposedPng(preview + "/menu.png", menu, menuChips, {{0, 56, 236}, {5, 232, 236}}) && ok;
        // Every frame, four states to a row, on the wizard's band colour.
        Canvas grid(4 * 120 + 8, 10 * 38 + 6, hex(0x0D1224));
        std::vector<std::array<int, 3>> all;
        for (int f = 0; f < 40; ++f) all.push_back({f, 8 + (f % 4) * 120, 6 + (f / 4) * 38});
        ok = writeComposedPng(preview + "/frames.png", grid, chips, all) && ok;
    }
    return ok ? 0 : 1;
}
