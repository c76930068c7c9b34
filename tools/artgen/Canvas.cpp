#include "tools/artgen/Canvas.h"

#include <algorithm>
#include <cmath>

Rgb hex(std::uint32_t rgb) {
    return {((rgb >> 16) & 255) / 255.0f, ((rgb >> 8) & 255) / 255.0f, (rgb & 255) / 255.0f};
}

Rgb mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

Canvas::Canvas(int w, int h, Rgb fill) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}

void Canvas::blend(int x, int y, Rgb colour, float alpha) {
    if (x < 0 || y < 0 || x >= width || y >= height || alpha <= 0) return;
    Rgb& p = at(x, y);
    p = mix(p, colour, std::min(alpha, 1.0f));
}

void fillVertical(Canvas& canvas, Box box, Rgb top, Rgb bottom) {
    for (int y = std::max(0, int(box.y0)); y < std::min(canvas.height, int(std::ceil(box.y1))); ++y) {
        float t = box.y1 - box.y0 > 1 ? (y + 0.5f - box.y0) / (box.y1 - box.y0) : 0;
        Rgb c = mix(top, bottom, std::clamp(t, 0.0f, 1.0f));
        for (int x = std::max(0, int(box.x0)); x < std::min(canvas.width, int(std::ceil(box.x1))); ++x) canvas.at(x, y) = c;
    }
}

namespace {

// Signed distance from the rounded rectangle's edge (negative inside).
float roundedDistance(float px, float py, Box b, float r) {
    float cx = (b.x0 + b.x1) / 2, cy = (b.y0 + b.y1) / 2;
    float hx = (b.x1 - b.x0) / 2 - r, hy = (b.y1 - b.y0) / 2 - r;
    float qx = std::fabs(px - cx) - hx, qy = std::fabs(py - cy) - hy;
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
}

}  // namespace

Mask roundedRect(int width, int height, Box box, float radius) {
    Mask mask(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            mask.alpha[std::size_t(y) * width + x] = std::clamp(0.5f - roundedDistance(x + 0.5f, y + 0.5f, box, radius), 0.0f, 1.0f);
    return mask;
}

Mask roundedOutline(int width, int height, Box box, float radius, float thickness) {
    Mask outer = roundedRect(width, height, box, radius);
    Box inner{box.x0 + thickness, box.y0 + thickness, box.x1 - thickness, box.y1 - thickness};
    Mask in = roundedRect(width, height, inner, std::max(0.0f, radius - thickness));
    for (std::size_t i = 0; i < outer.alpha.size(); ++i) outer.alpha[i] = std::max(0.0f, outer.alpha[i] - in.alpha[i]);
    return outer;
}

void paint(Canvas& canvas, const Mask& mask, Rgb colour, float opacity, int dx, int dy) {
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) canvas.blend(x, y, colour, mask.at(x - dx, y - dy) * opacity);
}

void paintVertical(Canvas& canvas, const Mask& mask, Box box, Rgb top, Rgb bottom) {
    for (int y = 0; y < canvas.height; ++y) {
        float t = std::clamp((y + 0.5f - box.y0) / std::max(1.0f, box.y1 - box.y0), 0.0f, 1.0f);
        Rgb c = mix(top, bottom, t);
        for (int x = 0; x < canvas.width; ++x) canvas.blend(x, y, c, mask.at(x, y));
    }
}

Mask blurred(const Mask& mask, int radius) {
    Mask tmp(mask.width, mask.height), out(mask.width, mask.height);
    float n = float(2 * radius + 1);
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            float sum = 0;
            for (int k = -radius; k <= radius; ++k) sum += mask.at(x + k, y);
            tmp.alpha[std::size_t(y) * mask.width + x] = sum / n;
        }
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            float sum = 0;
            for (int k = -radius; k <= radius; ++k) sum += tmp.at(x, y + k);
            out.alpha[std::size_t(y) * mask.width + x] = sum / n;
        }
    return out;
}

std::vector<std::uint8_t> toRgb8(const Canvas& canvas) {
    std::vector<std::uint8_t> out;
    out.reserve(canvas.pixels.size() * 3);
    auto byte = [](float v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    for (const Rgb& p : canvas.pixels) {
        out.push_back(byte(p.r));
        out.push_back(byte(p.g));
        out.push_back(byte(p.b));
    }
    return out;
}
