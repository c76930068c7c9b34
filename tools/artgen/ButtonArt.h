#pragma once
// Button frames for Chip Sheets: a rounded body with a gradient, a border and a label, in
// the four states normal, hover, pressed and disabled. Pixels outside the rounded corners
// become index 255; edge pixels are blended with the backdrop the buttons sit on.
#include "picture/ChipSheet.h"
#include "tools/artgen/Canvas.h"
#include "tools/artgen/Font.h"

#include <string>
#include <vector>

struct ButtonTheme {
    Rgb backdrop;                      // what the buttons are drawn over
    Rgb top[4], bottom[4];             // body gradient per state
    Rgb border[4];
    Rgb label[4];
    float radius = 7;
    float labelSize = 15;
};

struct ButtonFrame {
    Canvas canvas;
    Mask shape;
};

// state: 0 normal, 1 hover, 2 pressed, 3 disabled; `overlay` is drawn over a disabled label.
ButtonFrame drawButton(const Font& font, const ButtonTheme& theme, const std::string& label, int state, int width,
                       int height, const std::string& overlay = "");
// One palette of at most 255 colours for all frames, index 255 where the shape is outside.
ChipSheet chipSheetOf(const std::vector<ButtonFrame>& frames);
