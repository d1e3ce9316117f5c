// SPDX-License-Identifier: GPL-3.0-or-later
#include "text_font.h"

#include "pixel_font.h"
#include "raster/pixel32.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace display {
namespace {

// clang-format off
// The artwork font's glyph form, every glyph TextGlyphWidth wide.
constexpr TPixelGlyph Glyphs[] = {
    {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
    {'!', {"..X..", "..X..", "..X..", "..X..", "..X..", ".....", "..X.."}},
    {'%', {"XX...", "XX..X", "...X.", "..X..", ".X...", "X..XX", "...XX"}},
    {'\'', {"..X..", "..X..", ".X...", ".....", ".....", ".....", "....."}},
    {'(', {"...X.", "..X..", ".X...", ".X...", ".X...", "..X..", "...X."}},
    {')', {".X...", "..X..", "...X.", "...X.", "...X.", "..X..", ".X..."}},
    {'*', {".....", "..X..", "X.X.X", ".XXX.", "X.X.X", "..X..", "....."}},
    {'+', {".....", "..X..", "..X..", "XXXXX", "..X..", "..X..", "....."}},
    {',', {".....", ".....", ".....", ".....", ".XX..", "..X..", ".X..."}},
    {'-', {".....", ".....", ".....", "XXXXX", ".....", ".....", "....."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".XX..", ".XX.."}},
    {'/', {".....", "....X", "...X.", "..X..", ".X...", "X....", "....."}},
    {'0', {".XXX.", "X...X", "X..XX", "X.X.X", "XX..X", "X...X", ".XXX."}},
    {'1', {"..X..", ".XX..", "..X..", "..X..", "..X..", "..X..", ".XXX."}},
    {'2', {".XXX.", "X...X", "....X", "...X.", "..X..", ".X...", "XXXXX"}},
    {'3', {"XXXXX", "...X.", "..X..", "...X.", "....X", "X...X", ".XXX."}},
    {'4', {"...X.", "..XX.", ".X.X.", "X..X.", "XXXXX", "...X.", "...X."}},
    {'5', {"XXXXX", "X....", "XXXX.", "....X", "....X", "X...X", ".XXX."}},
    {'6', {"..XX.", ".X...", "X....", "XXXX.", "X...X", "X...X", ".XXX."}},
    {'7', {"XXXXX", "....X", "...X.", "..X..", ".X...", ".X...", ".X..."}},
    {'8', {".XXX.", "X...X", "X...X", ".XXX.", "X...X", "X...X", ".XXX."}},
    {'9', {".XXX.", "X...X", "X...X", ".XXXX", "....X", "...X.", ".XX.."}},
    {':', {".....", ".XX..", ".XX..", ".....", ".XX..", ".XX..", "....."}},
    {';', {".....", ".XX..", ".XX..", ".....", ".XX..", "..X..", ".X..."}},
    {'<', {"...X.", "..X..", ".X...", "X....", ".X...", "..X..", "...X."}},
    {'=', {".....", ".....", "XXXXX", ".....", "XXXXX", ".....", "....."}},
    {'>', {".X...", "..X..", "...X.", "....X", "...X.", "..X..", ".X..."}},
    {'?', {".XXX.", "X...X", "....X", "...X.", "..X..", ".....", "..X.."}},
    {'A', {".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"}},
    {'B', {"XXXX.", "X...X", "X...X", "XXXX.", "X...X", "X...X", "XXXX."}},
    {'C', {".XXX.", "X...X", "X....", "X....", "X....", "X...X", ".XXX."}},
    {'D', {"XXX..", "X..X.", "X...X", "X...X", "X...X", "X..X.", "XXX.."}},
    {'E', {"XXXXX", "X....", "X....", "XXXX.", "X....", "X....", "XXXXX"}},
    {'F', {"XXXXX", "X....", "X....", "XXXX.", "X....", "X....", "X...."}},
    {'G', {".XXX.", "X...X", "X....", "X.XXX", "X...X", "X...X", ".XXXX"}},
    {'H', {"X...X", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"}},
    {'I', {".XXX.", "..X..", "..X..", "..X..", "..X..", "..X..", ".XXX."}},
    {'J', {"..XXX", "...X.", "...X.", "...X.", "...X.", "X..X.", ".XX.."}},
    {'K', {"X...X", "X..X.", "X.X..", "XX...", "X.X..", "X..X.", "X...X"}},
    {'L', {"X....", "X....", "X....", "X....", "X....", "X....", "XXXXX"}},
    {'M', {"X...X", "XX.XX", "X.X.X", "X.X.X", "X...X", "X...X", "X...X"}},
    {'N', {"X...X", "X...X", "XX..X", "X.X.X", "X..XX", "X...X", "X...X"}},
    {'O', {".XXX.", "X...X", "X...X", "X...X", "X...X", "X...X", ".XXX."}},
    {'P', {"XXXX.", "X...X", "X...X", "XXXX.", "X....", "X....", "X...."}},
    {'Q', {".XXX.", "X...X", "X...X", "X...X", "X.X.X", "X..X.", ".XX.X"}},
    {'R', {"XXXX.", "X...X", "X...X", "XXXX.", "X.X..", "X..X.", "X...X"}},
    {'S', {".XXXX", "X....", "X....", ".XXX.", "....X", "....X", "XXXX."}},
    {'T', {"XXXXX", "..X..", "..X..", "..X..", "..X..", "..X..", "..X.."}},
    {'U', {"X...X", "X...X", "X...X", "X...X", "X...X", "X...X", ".XXX."}},
    {'V', {"X...X", "X...X", "X...X", "X...X", "X...X", ".X.X.", "..X.."}},
    {'W', {"X...X", "X...X", "X...X", "X.X.X", "X.X.X", "X.X.X", ".X.X."}},
    {'X', {"X...X", "X...X", ".X.X.", "..X..", ".X.X.", "X...X", "X...X"}},
    {'Y', {"X...X", "X...X", ".X.X.", "..X..", "..X..", "..X..", "..X.."}},
    {'Z', {"XXXXX", "....X", "...X.", "..X..", ".X...", "X....", "XXXXX"}},
    {'[', {".XXX.", ".X...", ".X...", ".X...", ".X...", ".X...", ".XXX."}},
    {']', {".XXX.", "...X.", "...X.", "...X.", "...X.", "...X.", ".XXX."}},
    {'_', {".....", ".....", ".....", ".....", ".....", ".....", "XXXXX"}},
    {'a', {".....", ".....", ".XXX.", "....X", ".XXXX", "X...X", ".XXXX"}},
    {'b', {"X....", "X....", "X.XX.", "XX..X", "X...X", "X...X", "XXXX."}},
    {'c', {".....", ".....", ".XXX.", "X....", "X....", "X...X", ".XXX."}},
    {'d', {"....X", "....X", ".XX.X", "X..XX", "X...X", "X...X", ".XXXX"}},
    {'e', {".....", ".....", ".XXX.", "X...X", "XXXXX", "X....", ".XXX."}},
    {'f', {"..XX.", ".X..X", ".X...", "XXX..", ".X...", ".X...", ".X..."}},
    {'g', {".....", ".XXXX", "X...X", "X...X", ".XXXX", "....X", ".XXX."}},
    {'h', {"X....", "X....", "X.XX.", "XX..X", "X...X", "X...X", "X...X"}},
    {'i', {"..X..", ".....", ".XX..", "..X..", "..X..", "..X..", ".XXX."}},
    {'j', {"...X.", ".....", "..XX.", "...X.", "...X.", "X..X.", ".XX.."}},
    {'k', {"X....", "X....", "X..X.", "X.X..", "XX...", "X.X..", "X..X."}},
    {'l', {".XX..", "..X..", "..X..", "..X..", "..X..", "..X..", ".XXX."}},
    {'m', {".....", ".....", "XX.X.", "X.X.X", "X.X.X", "X...X", "X...X"}},
    {'n', {".....", ".....", "X.XX.", "XX..X", "X...X", "X...X", "X...X"}},
    {'o', {".....", ".....", ".XXX.", "X...X", "X...X", "X...X", ".XXX."}},
    {'p', {".....", ".....", "XXXX.", "X...X", "XXXX.", "X....", "X...."}},
    {'q', {".....", ".....", ".XX.X", "X..XX", ".XXXX", "....X", "....X"}},
    {'r', {".....", ".....", "X.XX.", "XX..X", "X....", "X....", "X...."}},
    {'s', {".....", ".....", ".XXX.", "X....", ".XXX.", "....X", "XXXX."}},
    {'t', {".X...", ".X...", "XXX..", ".X...", ".X...", ".X..X", "..XX."}},
    {'u', {".....", ".....", "X...X", "X...X", "X...X", "X..XX", ".XX.X"}},
    {'v', {".....", ".....", "X...X", "X...X", "X...X", ".X.X.", "..X.."}},
    {'w', {".....", ".....", "X...X", "X...X", "X.X.X", "X.X.X", ".X.X."}},
    {'x', {".....", ".....", "X...X", ".X.X.", "..X..", ".X.X.", "X...X"}},
    {'y', {".....", ".....", "X...X", "X...X", ".XXXX", "....X", ".XXX."}},
    {'z', {".....", ".....", "XXXXX", "...X.", "..X..", ".X...", "XXXXX"}},
    {'|', {"..X..", "..X..", "..X..", "..X..", "..X..", "..X..", "..X.."}},
};
// clang-format on

constexpr bool GlyphsSortedAndWhole() {
    for (std::size_t i = 0; i < std::size(Glyphs); ++i) {
        if (i > 0 && Glyphs[i - 1].Character >= Glyphs[i].Character) {
            return false;
        }
        for (std::string_view row : Glyphs[i].Rows) {
            if (row.size() != TextGlyphWidth) {
                return false;
            }
        }
    }
    return true;
}
static_assert(GlyphsSortedAndWhole(), "glyphs in character order, each 5 x 7");

const TPixelGlyph& GlyphOf(char character) {
    const auto* const end = std::end(Glyphs);
    const auto* const found = std::lower_bound(
        std::begin(Glyphs), end, character,
        [](const TPixelGlyph& glyph, char wanted) { return glyph.Character < wanted; });
    if (found == end || found->Character != character) {
        return GlyphOf('?');
    }
    return *found;
}

} // namespace

int TextWidth(std::string_view text) {
    return text.empty() ? 0 : static_cast<int>(text.size()) * TextAdvance - 1;
}

void DrawText(raster::TRasterSurface& surface, platform::TPoint topLeft, std::string_view text,
              platform::TColor color) {
    const platform::TRect bounds{topLeft.x, topLeft.y, topLeft.x + TextWidth(text),
                                 topLeft.y + TextGlyphHeight};
    const platform::TRect area = platform::Intersection(
        bounds, platform::Intersection(surface.ClipRect(),
                                       platform::SizeRect(surface.Width(), surface.Height())));
    if (area.IsEmpty()) {
        return;
    }
    const raster::TPixel32 pixel = raster::ColorToPixel32(color);
    // Glyph by glyph, each looked up once, over the columns of its cell inside the area.
    const int first = (area.left - bounds.left) / TextAdvance;
    const int last = (area.right - 1 - bounds.left) / TextAdvance;
    for (int index = first; index <= last; ++index) {
        const TPixelGlyph& glyph = GlyphOf(text[static_cast<std::size_t>(index)]);
        const int cellLeft = bounds.left + index * TextAdvance;
        const int left = std::max(area.left, cellLeft);
        const int right = std::min(area.right, cellLeft + TextGlyphWidth);
        for (int y = area.top; y < area.bottom; ++y) {
            raster::TPixel32* const line =
                surface.Bits() + static_cast<std::ptrdiff_t>(y) * surface.Width();
            for (int x = left; x < right; ++x) {
                if (glyph.IsLit(x - cellLeft, y - bounds.top)) {
                    line[x] = pixel;
                }
            }
        }
    }
    surface.NotifyChange();
}

} // namespace display
