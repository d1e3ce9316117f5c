// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel_artwork.h"

#include "pixel_font.h"
#include "raster/pixel32.h"
#include "raster/transparent_blit.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <span>
#include <string_view>

namespace display {
namespace {

using platform::RGB;
using platform::TColor;
using raster::TPixel32;

constexpr std::uint32_t TextureSeed = 0x2545F491u;

// The plot well and its dotted grid (panel coordinates, inclusive ranges).
constexpr int WellLeft = 16;
constexpr int WellRight = 526;
constexpr int WellTop = 9; // the first grid row; black from row 10
constexpr int WellBottom = 249;
constexpr int GridRowStep = 15;
constexpr int GridColumnFirst = 47;
constexpr int GridColumnStep = 32;
constexpr int GridColumnLast = 495;

// The inset shadow: four rings around the well, outermost first.
constexpr int ShadowOuterTop = 5;
constexpr int ShadowOuterBottom = 253;
constexpr int ShadowOuterLeft = 12;
constexpr int ShadowOuterRight = 530;
constexpr std::array<TColor, 4> ShadowColors = {RGB(28, 37, 42), RGB(26, 34, 39), RGB(22, 29, 34),
                                                RGB(18, 24, 27)};

constexpr std::array<TColor, 4> TopBandColors = {RGB(19, 22, 24), RGB(19, 22, 24), RGB(20, 25, 28),
                                                 RGB(23, 30, 35)};
constexpr std::array<TColor, 2> LeftEdgeColors = {RGB(29, 40, 52), RGB(32, 40, 45)};
constexpr int TopBandRows = 4;

constexpr TColor HaloColor = RGB(22, 29, 34);
constexpr int HaloRadius = 2;

// A small deterministic generator (xorshift32); the same sequence on every start.
class TNoise {
public:
    explicit TNoise(std::uint32_t seed) : state_(seed) {}

    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }

    // A whole number from -range to range, evenly spread.
    int Uniform(int range) {
        return static_cast<int>(Next() % static_cast<std::uint32_t>(2 * range + 1)) - range;
    }

private:
    std::uint32_t state_;
};

std::uint8_t ClampChannel(int value, int low, int high) {
    return static_cast<std::uint8_t>(std::clamp(value, low, high));
}

// The slate texture: a shared brightness offset (-6..6, peaked at 0) and a little
// per-channel variation around RGB(30, 39, 45).
TPixel32 SlatePixel(TNoise& noise) {
    const int brightness = noise.Uniform(3) + noise.Uniform(3);
    return raster::ColorToPixel32(RGB(ClampChannel(30 + brightness + noise.Uniform(1), 23, 36),
                                      ClampChannel(39 + brightness + noise.Uniform(2), 31, 47),
                                      ClampChannel(45 + brightness + noise.Uniform(2), 36, 53)));
}

// A colour with a one-step grain, so the darker areas keep some texture.
TPixel32 GrainedPixel(TColor color, TNoise& noise) {
    const int grain = noise.Uniform(1);
    return raster::ColorToPixel32(RGB(ClampChannel(platform::RedOf(color) + grain, 0, 255),
                                      ClampChannel(platform::GreenOf(color) + grain, 0, 255),
                                      ClampChannel(platform::BlueOf(color) + grain, 0, 255)));
}

// Which shadow ring (0 outermost .. 3 innermost) the pixel lies on, or -1.
int ShadowRing(int x, int y) {
    if (x < ShadowOuterLeft || x > ShadowOuterRight || y < ShadowOuterTop ||
        y > ShadowOuterBottom) {
        return -1;
    }
    const int depth = std::min(
        {y - ShadowOuterTop, ShadowOuterBottom - y, x - ShadowOuterLeft, ShadowOuterRight - x});
    return depth < static_cast<int>(ShadowColors.size()) ? depth : -1;
}

bool InWell(int x, int y) {
    return x >= WellLeft && x <= WellRight && y >= WellTop && y <= WellBottom;
}

bool OnGridRow(int y) {
    return (y - WellTop) % GridRowStep == 0;
}

bool OnGridColumn(int x) {
    return x >= GridColumnFirst && x <= GridColumnLast &&
           (x - GridColumnFirst) % GridColumnStep == 0;
}

// Grid dots alternate with dark pixels along each grid row and column.
bool IsGridDot(int x, int y) {
    return (OnGridRow(y) || OnGridColumn(x)) && (x + y) % 2 == 1;
}

// A label of the decibel scale: its glyphs, the top row of their seven rows, and the grid
// row its minus sign stands on (none for "dB").
struct TScaleLabel {
    int Top;
    int DashRow;
    std::array<TPlacedGlyph, 3> Glyphs;
    int GlyphCount;
};

constexpr int NoDash = -1;
constexpr int DashLeft = 529;
constexpr int DashWidth = 2;

constexpr TScaleLabel Tens(int tens, int gridRow) {
    return {gridRow - 3, gridRow, {{{static_cast<char>('0' + tens), 533}, {'0', 538}}}, 2};
}

constexpr TScaleLabel Hundreds(char tens, int gridRow, int top, int tensLeft, int unitsLeft) {
    return {top, gridRow, {{{'1', 533}, {tens, tensLeft}, {'0', unitsLeft}}}, 3};
}

constexpr std::array<TScaleLabel, 16> ScaleLabels = {{
    {9, NoDash, {{{'d', 532}, {'B', 537}}}, 2},
    {21, 24, {{{'1', 533}, {'0', 537}}}, 2},
    Tens(2, 39),
    Tens(3, 54),
    Tens(4, 69),
    Tens(5, 84),
    Tens(6, 99),
    Tens(7, 114),
    Tens(8, 129),
    Tens(9, 144),
    Hundreds('0', 159, 156, 536, 541),
    Hundreds('1', 174, 170, 536, 540), // one row higher than the others
    Hundreds('2', 189, 186, 536, 541),
    Hundreds('3', 204, 201, 536, 541),
    Hundreds('4', 219, 216, 536, 541),
    Hundreds('5', 234, 231, 536, 541),
}};

// The ruler's labels (row 7 to 13), glyph by glyph.
constexpr int RulerLabelTop = 7;
constexpr TPlacedGlyph RulerGlyphs[] = {
    {'k', 1},   {'H', 6},   {'z', 13},  // kHz
    {'0', 33},  {'.', 38},  {'5', 40},  // 0.5
    {'1', 69},                          // 1
    {'1', 98},  {'.', 101}, {'5', 103}, // 1.5
    {'2', 132},                         // 2
    {'2', 161}, {'.', 166}, {'5', 168}, // 2.5
    {'3', 196},                         // 3
    {'3', 225}, {'.', 230}, {'5', 232}, // 3.5
    {'4', 260},                         // 4
    {'4', 289}, {'.', 294}, {'5', 296}, // 4.5
    {'5', 324},                         // 5
    {'5', 353}, {'.', 358}, {'5', 360}, // 5.5
    {'6', 388},                         // 6
    {'6', 417}, {'.', 422}, {'5', 424}, // 6.5
    {'7', 452},                         // 7
    {'7', 481}, {'.', 486}, {'5', 488}, // 7.5
    {'8', 513},                         // 8
};

// Ticks: every 8 columns (125 Hz) two rows long, every 32 columns (500 Hz) four rows long.
constexpr int RulerFirstTick = 6;
constexpr int MinorTickStep = 8;
constexpr int MinorTickCount = 64;
constexpr int MinorTickRows = 2;
constexpr int MajorTickStep = 32;
constexpr int MajorTickCount = 16;
constexpr int MajorTickRows = 4;

constexpr std::array<std::string_view, IconSize> GlobeRows = {
    "......XXXXX.....", "....XX..X..XX...", "...X....X....X..", "..X...XXXXX...X.",
    "..X..X..X..X..X.", ".X..X...X...X..X", ".X..X...X...X..X", ".XXXXXXXXXXXXXXX",
    ".X..X...X...X..X", ".X..X...X...X..X", "..X..X..X..X..X.", "..X...XXXXX...X.",
    "...X....X....X..", "....XX..X..XX...", "......XXXXX.....", "................",
};

// Calls `visit(x, y)` for every lit pixel of `placed` with the glyph's top row at `top`.
template <typename Visit>
void ForEachLitPixel(const TPlacedGlyph& placed, int top, Visit visit) {
    const TPixelGlyph& glyph = GlyphFor(placed.Character);
    for (int row = 0; row < GlyphHeight; ++row) {
        for (int column = 0; column < glyph.Width(); ++column) {
            if (glyph.IsLit(column, row)) {
                visit(placed.Left + column, top + row);
            }
        }
    }
}

using TTextMask = std::array<std::array<bool, PanelWidth>, PanelHeight>;

// The part of the panel the decibel scale and its halo cover.
constexpr platform::TRect ScaleArea{527, 7, 547, 240};

bool NearText(const TTextMask& lit, int x, int y) {
    for (int ny = std::max(0, y - HaloRadius); ny <= std::min(PanelHeight - 1, y + HaloRadius);
         ++ny) {
        for (int nx = std::max(0, x - HaloRadius); nx <= std::min(PanelWidth - 1, x + HaloRadius);
             ++nx) {
            if (lit[ny][nx]) {
                return true;
            }
        }
    }
    return false;
}

// The darker of two pixels in each channel, opaque.
TPixel32 Darkest(TPixel32 a, TPixel32 b) {
    TPixel32 result = raster::OpaqueAlpha;
    for (const int shift : {0, 8, 16}) {
        result |= std::min(a & (0xFFu << shift), b & (0xFFu << shift));
    }
    return result;
}

void DrawDecibelScale(raster::TRasterSurface& panel, TNoise& noise) {
    const TPixel32 ink = raster::ColorToPixel32(ScaleTextColor);
    const int stride = panel.Width();
    TPixel32* const bits = panel.Bits();

    // Mark the text pixels first, so the halo can be laid around all of them at once.
    static TTextMask lit;
    for (auto& row : lit) {
        row.fill(false);
    }
    for (const TScaleLabel& label : ScaleLabels) {
        for (int g = 0; g < label.GlyphCount; ++g) {
            ForEachLitPixel(label.Glyphs[g], label.Top, [](int x, int y) { lit[y][x] = true; });
        }
        if (label.DashRow != NoDash) {
            for (int x = DashLeft; x < DashLeft + DashWidth; ++x) {
                lit[label.DashRow][x] = true;
            }
        }
    }

    // The halo darkens the texture (never lightens it) within two pixels of the text.
    for (int y = ScaleArea.top; y < ScaleArea.bottom; ++y) {
        for (int x = ScaleArea.left; x < ScaleArea.right; ++x) {
            TPixel32& pixel = bits[y * stride + x];
            if (lit[y][x]) {
                pixel = ink;
            } else if (NearText(lit, x, y)) {
                pixel = Darkest(pixel, GrainedPixel(HaloColor, noise));
            }
        }
    }
}

} // namespace

void DrawBackgroundPanel(raster::TRasterSurface& panel) {
    panel.ResizeTo(PanelWidth, PanelHeight);
    TNoise noise(TextureSeed);
    TPixel32* const bits = panel.Bits();
    const TPixel32 black = raster::ColorToPixel32(RGB(0, 0, 0));
    const TPixel32 dot = raster::ColorToPixel32(PanelGridDotColor);

    for (int y = 0; y < PanelHeight; ++y) {
        TPixel32* const row = bits + y * PanelWidth;
        for (int x = 0; x < PanelWidth; ++x) {
            TPixel32 pixel;
            if (y < TopBandRows) {
                pixel = raster::ColorToPixel32(TopBandColors[y]);
            } else if (x < static_cast<int>(LeftEdgeColors.size())) {
                // The edge is flat but for a few texture pixels.
                const bool textured = noise.Next() % 16 == 0;
                pixel = textured ? SlatePixel(noise) : raster::ColorToPixel32(LeftEdgeColors[x]);
            } else if (InWell(x, y)) {
                pixel = IsGridDot(x, y) ? dot : black;
            } else if (const int ring = ShadowRing(x, y); ring >= 0) {
                pixel = GrainedPixel(ShadowColors[ring], noise);
            } else {
                pixel = SlatePixel(noise);
            }
            row[x] = pixel;
        }
    }
    DrawDecibelScale(panel, noise);
    panel.NotifyChange();
}

void DrawFrequencyRuler(raster::TRasterSurface& ruler) {
    ruler.ResizeTo(RulerWidth, RulerHeight);
    std::fill(ruler.Pixels().begin(), ruler.Pixels().end(),
              raster::ColorToPixel32(RulerBackgroundColor));
    const TPixel32 ink = raster::ColorToPixel32(ScaleTextColor);
    TPixel32* const bits = ruler.Bits();
    for (int k = 0; k < MinorTickCount; ++k) {
        for (int y = 0; y < MinorTickRows; ++y) {
            bits[y * RulerWidth + RulerFirstTick + MinorTickStep * k] = ink;
        }
    }
    for (int k = 0; k < MajorTickCount; ++k) {
        for (int y = 0; y < MajorTickRows; ++y) {
            bits[y * RulerWidth + RulerFirstTick + MajorTickStep * k] = ink;
        }
    }
    for (const TPlacedGlyph& glyph : RulerGlyphs) {
        ForEachLitPixel(glyph, RulerLabelTop, [bits](int x, int y) {
            assert(x < RulerWidth && y < RulerHeight);
            bits[y * RulerWidth + x] = ink;
        });
    }
    ruler.NotifyChange();
}

void DrawWindowIcon(raster::TRasterSurface& icon) {
    icon.ResizeTo(IconSize, IconSize);
    constexpr TPixel32 White = 0xFFFFFFFFu;
    constexpr TPixel32 Transparent = 0x00000000u;
    for (int y = 0; y < IconSize; ++y) {
        for (int x = 0; x < IconSize; ++x) {
            icon.Bits()[y * IconSize + x] = GlobeRows[y][x] == 'X' ? White : Transparent;
        }
    }
    icon.NotifyChange();
}

void ComposeWindowBackground(raster::TRasterSurface& background, std::int32_t width,
                             std::int32_t height, const raster::TRasterSurface& panel,
                             const raster::TRasterSurface& ruler) {
    background.ResizeTo(width, height);
    background.StartUpdate();
    background.FillRectClipped(platform::SizeRect(width, height),
                               raster::ColorToPixel32(RGB(0, 0, 0)));
    background.DrawOpaque(panel, {0, 0});
    raster::DrawTransparent(background, ruler, RulerPosition);
    background.EndUpdate();
    background.NotifyChange();
}

} // namespace display
