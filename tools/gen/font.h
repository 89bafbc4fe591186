// The game's pixel font: capitals, digits and a little punctuation, seven
// pixels tall, mostly five wide. Everything lettered in the pictures uses it,
// and "System/mojicord.bmp" is its sheet.
#pragma once

#include <functional>
#include <string_view>

#include "canvas.h"

namespace gen {

constexpr int GlyphHeight = 7;

// Width in font pixels of one character (0 for characters the font lacks).
int GlyphWidth(char ch);
// True when font pixel (x, y) of the character is set.
bool GlyphPixel(char ch, int x, int y);

struct TextStyle {
    int scale = 1;    // each font pixel becomes scale x scale
    int spacing = 1;  // screen pixels between characters
};

// Width in screen pixels of a line of text.
int TextWidth(std::string_view text, TextStyle style);

// Calls `paint(px, py, fx, fy)` for every set font pixel: (px, py) is the
// top-left screen pixel of the scale x scale block, (fx, fy) the pixel's place
// within the whole text (for gradients).
void ForEachTextPixel(std::string_view text, int x, int y, TextStyle style,
                      const std::function<void(int, int, int, int)>& paint);

// Plain text in one colour, with an optional one-pixel drop shadow.
void DrawText(Canvas& c, std::string_view text, int x, int y, TextStyle style, Rgb colour,
              const Rgb* shadow = nullptr);

// The font sheet: the printable characters 32..95, sixteen to a row, each in a
// 32 x 32 cell at three times the size.
Canvas FontSheet();

}  // namespace gen
