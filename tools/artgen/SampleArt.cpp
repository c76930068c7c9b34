#include "tools/artgen/Art.h"
#include "tools/artgen/ButtonArt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr int kWidth = 400, kHeight = 300;

// A small deterministic generator, so the stars come out the same on every run.
struct Lcg {
    std::uint32_t state = 20261210;
    float next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / float(1 << 24);
    }
};

void hills(Canvas& c, float base, float amplitude, float phase, Rgb colour) {
    Mask m(kWidth, kHeight);
    for (int x = 0; x < kWidth; ++x) {
        float top = base - amplitude * (0.6f * std::sin(x / 57.0f + phase) + 0.4f * std::sin(x / 23.0f + phase * 2));
        for (int y = 0; y < kHeight; ++y)
            m.alpha[std::size_t(y) * kWidth + x] = std::clamp(y + 0.5f - top, 0.0f, 1.0f);
    }
    paint(c, m, colour);
}

void disc(Canvas& c, float cx, float cy, float r, Rgb colour, float opacity) {
    Mask m(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            m.alpha[std::size_t(y) * kWidth + x] = std::clamp(r + 0.5f - std::hypot(x + 0.5f - cx, y + 0.5f - cy), 0.0f, 1.0f);
    paint(c, m, colour, opacity);
}

ButtonTheme sampleTheme() {
    ButtonTheme t;
    t.backdrop = hex(0x150E1E);
    t.top[0] = hex(0x7A4A2A), t.bottom[0] = hex(0x40220F);
    t.top[1] = hex(0xA86A38), t.bottom[1] = hex(0x5C3217);
    t.top[2] = hex(0x2E180A), t.bottom[2] = hex(0x56301A);
    t.top[3] = hex(0x4A4448), t.bottom[3] = hex(0x302C30);
    t.border[0] = hex(0xC89A58), t.border[1] = hex(0xFFE0A0), t.border[2] = hex(0xFFE0A0), t.border[3] = hex(0x66606A);
    t.label[0] = hex(0xFFF3E0), t.label[1] = hex(0xFFFFFF), t.label[2] = hex(0xFFD890), t.label[3] = hex(0x8A848C);
    t.labelSize = 16;
    return t;
}

}  // namespace

Canvas sampleMenu(const Fonts& fonts) {
    Canvas c(kWidth, kHeight);
    fillVertical(c, {0, 0, kWidth, 150}, hex(0x1A1540), hex(0x6A3A6E));
    fillVertical(c, {0, 150, kWidth, 222}, hex(0x6A3A6E), hex(0xD98A5A));
    Lcg random;
    for (int i = 0; i < 70; ++i) {
        float x = random.next() * kWidth, y = random.next() * 120, s = random.next();
        c.blend(int(x), int(y), Rgb{1, 1, 0.95f}, 0.35f + 0.6f * s * (1 - y / 140));
    }
    disc(c, 350, 36, 24, hex(0xFFF4D8), 0.12f);
    disc(c, 350, 36, 15, hex(0xFFF4D8), 0.95f);
    disc(c, 356, 31, 13, hex(0x231B48), 0.9f);
    hills(c, 186, 14, 0.3f, hex(0x4A2A52));
    hills(c, 204, 10, 2.1f, hex(0x2C1A36));
    fillVertical(c, {0, 222, kWidth, kHeight}, hex(0x1C1226), hex(0x150E1E));
    for (int x = 0; x < kWidth; ++x) c.blend(x, 222, hex(0xC89A58), 0.7f);

    drawText(c, fonts.mincho, "トルマール物語", kWidth / 2.0f, 64, TextStyle{44, hex(0xFFF1D6), true, 0.9f, 0.6f, hex(0x3A1A40)},
             Align::Centre);
    drawText(c, fonts.mincho, "― 体験版 ―", kWidth / 2.0f, 120, TextStyle{20, hex(0xFFD890), true, 0.8f, 0.4f, hex(0x3A1A40)},
             Align::Centre);
    drawText(c, fonts.gothic, "Tolmar Story  Trial Edition", kWidth / 2.0f, 148, TextStyle{12, hex(0xE8D8F0), false, 0.7f},
             Align::Centre);
    drawText(c, fonts.gothic, "© 2026 Tolmar Project", kWidth / 2.0f, 282, TextStyle{10, hex(0x8C7E96)}, Align::Centre);
    return c;
}

ChipSheet sampleButtons(const Fonts& fonts) {
    ButtonTheme theme = sampleTheme();
    std::vector<ButtonFrame> frames;
    for (const char* label : {"インストール", "終了"})
        for (int state = 0; state < 4; ++state) frames.push_back(drawButton(fonts.gothic, theme, label, state, 112, 32));
    return chipSheetOf(frames);
}
