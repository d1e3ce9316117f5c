// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>

namespace display {

// The artwork's pixel font: glyphs 7 rows high, one colour, no smoothing.
inline constexpr int GlyphHeight = 7;

struct TPixelGlyph {
    char Character;
    // Rows from the top; 'X' is a lit pixel, '.' background. All rows have the same width.
    std::array<std::string_view, GlyphHeight> Rows;

    int Width() const { return static_cast<int>(Rows[0].size()); }
    bool IsLit(int column, int row) const { return Rows[row][column] == 'X'; }
};

// The glyph for `character`; the caller passes one of the font's characters: the digits,
// "d", "B", "k", "H", "z" and the point.
const TPixelGlyph& GlyphFor(char character);

// One glyph of a label, with the column of its left edge.
struct TPlacedGlyph {
    char Character;
    int Left;
};

} // namespace display
