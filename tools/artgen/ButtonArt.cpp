#include "tools/artgen/ButtonArt.h"

#include "tools/artgen/Quantize.h"

#include <algorithm>
#include <cmath>

namespace {

Rgb8 toRgb8(Rgb c) {
    auto b = [](float v) { return std::uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
    return {b(c.r), b(c.g), b(c.b)};
}

bool opaque(const ButtonFrame& f, int x, int y) { return f.shape.at(x, y) >= 0.5f; }

}  // namespace

ButtonFrame drawButton(const Font& font, const ButtonTheme& theme, const std::string& label, int state, int width,
                       int height, const std::string& overlay) {
    ButtonFrame f{Canvas(width, height, theme.backdrop), Mask(width, height)};
    Box box{0.5f, 0.5f, width - 0.5f, height - 0.5f};
    f.shape = roundedRect(width, height, box, theme.radius);
    paintVertical(f.canvas, f.shape, box, theme.top[state], theme.bottom[state]);
    // A soft sheen on the upper half, none when pressed in.
    if (state != 2) {
        Mask sheen = roundedRect(width, height, {2, 2, width - 2.0f, height * 0.5f}, theme.radius - 2);
        paint(f.canvas, sheen, Rgb{1, 1, 1}, state == 3 ? 0.04f : 0.08f);
    } else {
        Mask dip = roundedOutline(width, height, {1.5f, 1.5f, width - 1.5f, height - 1.5f}, theme.radius - 1, 2.5f);
        paint(f.canvas, blurred(dip, 1), Rgb{0, 0, 0}, 0.45f);
    }
    paint(f.canvas, roundedOutline(width, height, box, theme.radius, state == 1 || state == 2 ? 1.6f : 1.2f),
          theme.border[state]);

    float size = fittingSize(font, label, theme.labelSize, width - 12.0f);
    TextStyle style{size, theme.label[state], true, state == 3 ? 0.0f : 0.7f};
    float y = (height - size) / 2 - size * 0.06f + (state == 2 ? 1 : 0);
    drawText(f.canvas, font, label, width / 2.0f, y, style, Align::Centre);
    if (state == 3 && !overlay.empty()) {
        float small = fittingSize(font, overlay, 14, width - 16.0f);
        TextStyle warn{small, hex(0xFF6A5A), true, 0, 0.9f, hex(0x140808)};
        drawText(f.canvas, font, overlay, width / 2.0f, (height - small) / 2 - 1, warn, Align::Centre);
    }
    return f;
}

ChipSheet chipSheetOf(const std::vector<ButtonFrame>& frames) {
    ChipSheet sheet;
    if (frames.empty()) return sheet;
    int w = frames[0].canvas.width, h = frames[0].canvas.height;
    std::vector<Rgb8> pixels;
    for (const auto& f : frames)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (opaque(f, x, y)) pixels.push_back(toRgb8(f.canvas.pixels[std::size_t(y) * w + x]));
    std::vector<Rgb8> palette = medianCutPalette(pixels, 255);
    sheet.frameCount = int(frames.size());
    sheet.frameWidth = w;
    sheet.frameHeight = h;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        sheet.palette[i * 3] = palette[i][2];  // stored blue, green, red
        sheet.palette[i * 3 + 1] = palette[i][1];
        sheet.palette[i * 3 + 2] = palette[i][0];
    }
    for (const auto& f : frames)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                sheet.pixels.push_back(opaque(f, x, y)
                                           ? std::uint8_t(nearestIndex(palette, toRgb8(f.canvas.pixels[std::size_t(y) * w + x])))
                                           : kChipTransparent);
    return sheet;
}
