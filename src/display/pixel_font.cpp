// SPDX-License-Identifier: GPL-3.0-or-later
#include "pixel_font.h"

#include <algorithm>
#include <cassert>

namespace display {
namespace {

constexpr TPixelGlyph Glyphs[] = {
    {'0', {".XX.", "X..X", "X..X", "X..X", "X..X", "X..X", ".XX."}},
    {'1', {".X", "XX", ".X", ".X", ".X", ".X", ".X"}},
    {'2', {".XX.", "X..X", "...X", "..X.", ".X..", "X...", "XXXX"}},
    {'3', {".XX.", "X..X", "...X", "..X.", "...X", "X..X", ".XX."}},
    {'4', {"..X.", ".XX.", ".XX.", "X.X.", "XXXX", "..X.", "..X."}},
    {'5', {"XXXX", "X...", "XXX.", "X..X", "...X", "X..X", ".XX."}},
    {'6', {".XX.", "X..X", "X...", "XXX.", "X..X", "X..X", ".XX."}},
    {'7', {"XXXX", "...X", "..X.", "..X.", ".X..", ".X..", ".X.."}},
    {'8', {".XX.", "X..X", "X..X", ".XX.", "X..X", "X..X", ".XX."}},
    {'9', {".XX.", "X..X", "X..X", ".XXX", "...X", "...X", ".XX."}},
    {'d', {"...X", "...X", ".XXX", "X..X", "X..X", "X..X", ".XXX"}},
    {'B', {"XXXXX.", "X....X", "X....X", "XXXXX.", "X....X", "X....X", "XXXXX."}},
    {'k', {"X...", "X...", "X.X.", "XX..", "XX..", "X.X.", "X..X"}},
    {'H', {"X....X", "X....X", "X....X", "XXXXXX", "X....X", "X....X", "X....X"}},
    {'z', {"...", "...", "XXX", "..X", ".X.", "X..", "XXX"}},
    {'.', {".", ".", ".", ".", ".", ".", "X"}},
};

} // namespace

const TPixelGlyph& GlyphFor(char character) {
    const auto* glyph =
        std::find_if(std::begin(Glyphs), std::end(Glyphs),
                     [character](const TPixelGlyph& g) { return g.Character == character; });
    assert(glyph != std::end(Glyphs) && "character not in the pixel font");
    return *glyph;
}

} // namespace display
