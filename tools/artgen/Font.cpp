#define STB_TRUETYPE_IMPLEMENTATION
#include "tools/artgen/Font.h"

#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

std::vector<char32_t> codepoints(const std::string& s) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t cp = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
        for (int k = 1; k < n && i + k < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += n;
    }
    return out;
}

}  // namespace

Font::Font(const std::string& path) : info_(new stbtt_fontinfo) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        std::fprintf(stderr, "artgen: cannot open the font %s\n", path.c_str());
        std::exit(1);
    }
    unsigned char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data_.insert(data_.end(), buffer, buffer + n);
    std::fclose(f);
    if (!stbtt_InitFont(info_, data_.data(), stbtt_GetFontOffsetForIndex(data_.data(), 0))) {
        std::fprintf(stderr, "artgen: %s is not a font stb_truetype reads\n", path.c_str());
        std::exit(1);
    }
}

Font::~Font() { delete info_; }

float Font::measure(const std::string& utf8, float pixels) const {
    float scale = stbtt_ScaleForPixelHeight(info_, pixels);
    auto cps = codepoints(utf8);
    float x = 0;
    for (std::size_t i = 0; i < cps.size(); ++i) {
        int advance, bearing;
        stbtt_GetCodepointHMetrics(info_, int(cps[i]), &advance, &bearing);
        x += advance * scale;
        if (i + 1 < cps.size()) x += scale * stbtt_GetCodepointKernAdvance(info_, int(cps[i]), int(cps[i + 1]));
    }
    return x;
}

void Font::render(Mask& mask, const std::string& utf8, float pixels, float x, float y, bool bold) const {
    float scale = stbtt_ScaleForPixelHeight(info_, pixels);
    int ascent, descent, gap;
    stbtt_GetFontVMetrics(info_, &ascent, &descent, &gap);
    float baseline = y + ascent * scale;
    float weight = bold ? std::max(0.6f, pixels / 14.0f) : 0.0f;
    auto cps = codepoints(utf8);
    float pen = x;
    for (std::size_t i = 0; i < cps.size(); ++i) {
        int advance, bearing;
        stbtt_GetCodepointHMetrics(info_, int(cps[i]), &advance, &bearing);
        float shiftX = pen - std::floor(pen), shiftY = baseline - std::floor(baseline);
        int x0, y0, x1, y1;
        stbtt_GetCodepointBitmapBoxSubpixel(info_, int(cps[i]), scale, scale, shiftX, shiftY, &x0, &y0, &x1, &y1);
        int w = x1 - x0, h = y1 - y0;
        if (w > 0 && h > 0) {
            std::vector<unsigned char> glyph(std::size_t(w) * h);
            stbtt_MakeCodepointBitmapSubpixel(info_, glyph.data(), w, h, w, scale, scale, shiftX, shiftY, int(cps[i]));
            int ox = int(std::floor(pen)) + x0, oy = int(std::floor(baseline)) + y0;
            // Bold: the glyph is laid down again at sub-pixel steps to the right.
            int steps = bold ? std::max(1, int(std::ceil(weight * 2))) : 0;
            for (int gy = 0; gy < h; ++gy)
                for (int gx = -int(std::ceil(weight)); gx < w; ++gx) {
                    float a = 0;
                    for (int s = 0; s <= steps; ++s) {
                        float src = gx - (steps ? weight * s / steps : 0);
                        int sx = int(std::floor(src));
                        float f = src - sx;
                        auto sample = [&](int xx) { return xx < 0 || xx >= w ? 0.0f : glyph[std::size_t(gy) * w + xx] / 255.0f; };
                        a = std::max(a, sample(sx) * (1 - f) + sample(sx + 1) * f);
                    }
                    int mx = ox + gx + int(std::ceil(weight)), my = oy + gy;
                    if (mx < 0 || my < 0 || mx >= mask.width || my >= mask.height || a <= 0) continue;
                    float& m = mask.alpha[std::size_t(my) * mask.width + mx];
                    m = std::min(1.0f, m + a * (1 - m));
                }
        }
        pen += advance * scale;
        if (i + 1 < cps.size()) pen += scale * stbtt_GetCodepointKernAdvance(info_, int(cps[i]), int(cps[i + 1]));
    }
}

void drawText(Canvas& canvas, const Font& font, const std::string& utf8, float x, float y, const TextStyle& style,
              Align align) {
    float width = font.measure(utf8, style.size) + (style.bold ? style.size / 14.0f : 0);
    if (align == Align::Centre) x -= width / 2;
    if (align == Align::Right) x -= width;
    Mask mask(canvas.width, canvas.height);
    font.render(mask, utf8, style.size, x, y, style.bold);
    if (style.glow > 0) paint(canvas, blurred(mask, std::max(1, int(style.size / 8))), style.glowColour, style.glow);
    if (style.shadow > 0) paint(canvas, blurred(mask, 1), Rgb{0, 0, 0}, style.shadow, 1, 1);
    paint(canvas, mask, style.colour);
}

float fittingSize(const Font& font, const std::string& utf8, float size, float width) {
    while (size > 6 && font.measure(utf8, size) + size / 14.0f > width) size -= 0.5f;
    return size;
}
