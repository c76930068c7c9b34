#pragma once
// A TrueType font (stb_truetype) that renders UTF-8 text into coverage masks.
#include "tools/artgen/Canvas.h"

#include <string>
#include <vector>

struct stbtt_fontinfo;

class Font {
public:
    explicit Font(const std::string& path);  // exits with a message when the file is missing
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    float measure(const std::string& utf8, float pixels) const;
    // Adds the text's coverage to `mask` with the top of the em box at y; a bold weight
    // thickens the strokes by about a twelfth of the size.
    void render(Mask& mask, const std::string& utf8, float pixels, float x, float y, bool bold = false) const;

private:
    std::vector<unsigned char> data_;
    stbtt_fontinfo* info_;
};

struct TextStyle {
    float size = 16;
    Rgb colour{1, 1, 1};
    bool bold = false;
    float shadow = 0;  // opacity of a soft dark shadow one pixel below right
    float glow = 0;    // opacity of a soft halo in `glowColour`
    Rgb glowColour{};
};

enum class Align { Left, Centre, Right };

// Draws one line; x is the left edge, the centre or the right edge by `align`.
void drawText(Canvas& canvas, const Font& font, const std::string& utf8, float x, float y, const TextStyle& style,
              Align align = Align::Left);
// The largest size at most `size` at which the text fits `width`.
float fittingSize(const Font& font, const std::string& utf8, float size, float width);
