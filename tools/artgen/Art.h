#pragma once
// The artwork artgen draws: the wizard's three pages and button sheet, the sample game's
// menu picture and button strip.
#include "picture/ChipSheet.h"
#include "tools/artgen/Canvas.h"
#include "tools/artgen/Font.h"

#include <array>

struct Fonts {
    Font gothic;
    Font mincho;
};

std::array<Canvas, 3> wizardPages(const Fonts& fonts);
ChipSheet wizardButtons(const Fonts& fonts);

Canvas sampleMenu(const Fonts& fonts);
ChipSheet sampleButtons(const Fonts& fonts);
