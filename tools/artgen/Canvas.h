#pragma once
// A floating-point RGB canvas with the few drawing operations the artwork needs:
// gradients, anti-aliased rounded rectangles and coverage masks blended in a colour.
#include <cstdint>
#include <vector>

struct Rgb {
    float r = 0, g = 0, b = 0;
};

Rgb hex(std::uint32_t rgb);
Rgb mix(Rgb a, Rgb b, float t);

struct Canvas {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    Canvas(int w, int h, Rgb fill = {});
    Rgb& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
    void blend(int x, int y, Rgb colour, float alpha);
};

// Coverage values 0..1 over an area of the canvas's size.
struct Mask {
    int width = 0, height = 0;
    std::vector<float> alpha;
    Mask(int w, int h) : width(w), height(h), alpha(std::size_t(w) * h, 0.0f) {}
    float at(int x, int y) const { return x < 0 || y < 0 || x >= width || y >= height ? 0.0f : alpha[std::size_t(y) * width + x]; }
};

struct Box {
    float x0, y0, x1, y1;
};

void fillVertical(Canvas& canvas, Box box, Rgb top, Rgb bottom);
// The part of the box inside a rounded rectangle, anti-aliased.
Mask roundedRect(int width, int height, Box box, float radius);
// Mask minus the same rectangle shrunk by `thickness`: an outline.
Mask roundedOutline(int width, int height, Box box, float radius, float thickness);
void paint(Canvas& canvas, const Mask& mask, Rgb colour, float opacity = 1.0f, int dx = 0, int dy = 0);
// Paints a vertical gradient through a mask.
void paintVertical(Canvas& canvas, const Mask& mask, Box box, Rgb top, Rgb bottom);
// Soft blur of a mask (box blur of the given radius), used for glows and shadows.
Mask blurred(const Mask& mask, int radius);

// r, g, b bytes, rows top-down.
std::vector<std::uint8_t> toRgb8(const Canvas& canvas);
