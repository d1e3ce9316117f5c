// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/panel_artwork.h"
#include "display/spectrum_plot.h"
#include "raster/pixel32.h"

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace display;
using platform::RGB;
using platform::TColor;
using raster::ColorToPixel32;
using raster::TPixel32;
using raster::TRasterSurface;

TPixel32 At(const TRasterSurface& surface, int x, int y) {
    return surface.Bits()[y * surface.Width() + x];
}

TColor ColorAt(const TRasterSurface& surface, int x, int y) {
    const TPixel32 p = At(surface, x, y);
    return RGB(static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
               static_cast<std::uint8_t>(p));
}

// The pixels of a region as strings: 'X' where the colour is `ink`, '.' elsewhere.
std::vector<std::string> Picture(const TRasterSurface& surface, int left, int top, int width,
                                 int height, TColor ink) {
    std::vector<std::string> rows;
    for (int y = top; y < top + height; ++y) {
        std::string row;
        for (int x = left; x < left + width; ++x) {
            row += ColorAt(surface, x, y) == ink ? 'X' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

class PanelArtworkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        panel = new TRasterSurface;
        ruler = new TRasterSurface;
        DrawBackgroundPanel(*panel);
        DrawFrequencyRuler(*ruler);
    }
    static void TearDownTestSuite() {
        delete panel;
        delete ruler;
    }
    static TRasterSurface* panel;
    static TRasterSurface* ruler;
};

TRasterSurface* PanelArtworkTest::panel = nullptr;
TRasterSurface* PanelArtworkTest::ruler = nullptr;

TEST_F(PanelArtworkTest, PanelLandmarks) {
    ASSERT_EQ(panel->Width(), 554);
    ASSERT_EQ(panel->Height(), 269);
    EXPECT_EQ(ColorAt(*panel, 0, 0), RGB(19, 22, 24));
    EXPECT_EQ(ColorAt(*panel, 300, 2), RGB(20, 25, 28));
    EXPECT_EQ(ColorAt(*panel, 300, 3), RGB(23, 30, 35));
    EXPECT_EQ(ColorAt(*panel, 16, 10), RGB(0, 0, 0));
    EXPECT_EQ(ColorAt(*panel, 526, 248), RGB(0, 0, 0));
    EXPECT_EQ(ColorAt(*panel, 47, 100), RGB(4, 44, 80));
    // The dash of the -80 label lies on the row of the display's grid line 8.
    EXPECT_EQ(ColorAt(*panel, 529, 129), ScaleTextColor);
    EXPECT_EQ(ColorAt(*panel, 530, 129), ScaleTextColor);
    EXPECT_NE(ColorAt(*panel, 531, 129), ScaleTextColor);
    EXPECT_NE(ColorAt(*panel, 528, 129), ScaleTextColor);
    for (const TPixel32 pixel : panel->Pixels()) {
        ASSERT_EQ(pixel >> 24, 0xFFu); // opaque
    }
}

TEST_F(PanelArtworkTest, WellIsBlackButForDottedGridRowsAndColumns) {
    const TColor dot = RGB(4, 44, 80);
    for (int y = 9; y <= 249; ++y) {
        for (int x = 16; x <= 526; ++x) {
            const bool gridRow = (y - 9) % 15 == 0;
            const bool gridColumn = x >= 47 && x <= 495 && (x - 47) % 32 == 0;
            const TColor color = ColorAt(*panel, x, y);
            if (gridRow || gridColumn) {
                // Dots alternate with dark pixels.
                ASSERT_TRUE(color == dot || color == RGB(0, 0, 0)) << x << ", " << y;
                const TColor next = gridRow ? ColorAt(*panel, x == 526 ? x - 1 : x + 1, y)
                                            : ColorAt(*panel, x, y == 249 ? y - 1 : y + 1);
                if (gridRow == gridColumn || (gridRow ? x < 526 : y < 249)) {
                    // Along a row or column, neighbours differ (a crossing is checked too).
                    if (!(gridRow && gridColumn)) {
                        ASSERT_NE(color, next) << x << ", " << y;
                    }
                }
            } else {
                ASSERT_EQ(color, RGB(0, 0, 0)) << x << ", " << y;
            }
        }
    }
}

TEST_F(PanelArtworkTest, SlateTextureStaysInItsRangesWithoutRepeatingRows) {
    std::set<std::vector<TPixel32>> rows;
    for (int y = 254; y < 269; ++y) {
        std::vector<TPixel32> row;
        for (int x = 2; x < 554; ++x) {
            const TColor c = ColorAt(*panel, x, y);
            ASSERT_GE(platform::RedOf(c), 23);
            ASSERT_LE(platform::RedOf(c), 36);
            ASSERT_GE(platform::GreenOf(c), 31);
            ASSERT_LE(platform::GreenOf(c), 47);
            ASSERT_GE(platform::BlueOf(c), 36);
            ASSERT_LE(platform::BlueOf(c), 53);
            row.push_back(At(*panel, x, y));
        }
        rows.insert(row);
    }
    EXPECT_EQ(rows.size(), 15u);
    // Noise, not a flat colour: many distinct values.
    std::set<TPixel32> distinct(panel->Pixels().begin() + 260 * 554, panel->Pixels().end());
    EXPECT_GT(distinct.size(), 100u);
}

TEST_F(PanelArtworkTest, ShadowDarkensInFourStepsTowardsTheWell) {
    // The mean brightness of each ring's top side falls step by step.
    double previous = 1e9;
    for (int ring = 0; ring < 4; ++ring) {
        double sum = 0;
        int count = 0;
        for (int x = 100; x < 400; ++x) {
            const TColor c = ColorAt(*panel, x, 5 + ring);
            sum += platform::RedOf(c) + platform::GreenOf(c) + platform::BlueOf(c);
            ++count;
        }
        const double mean = sum / count;
        EXPECT_LT(mean, previous) << ring;
        previous = mean;
    }
    const int expectedInner = 18 + 24 + 27;
    EXPECT_NEAR(previous, expectedInner, 2.0);
}

TEST_F(PanelArtworkTest, DecibelScaleLabels) {
    const TColor ink = ScaleTextColor;
    EXPECT_EQ(Picture(*panel, 532, 9, 11, 7, ink), (std::vector<std::string>{
                                                       "...X.XXXXX.",
                                                       "...X.X....X",
                                                       ".XXX.X....X",
                                                       "X..X.XXXXX.",
                                                       "X..X.X....X",
                                                       "X..X.X....X",
                                                       ".XXX.XXXXX.",
                                                   }));
    // -80: dash on the grid row, "8" and "0".
    EXPECT_EQ(Picture(*panel, 529, 126, 13, 7, ink), (std::vector<std::string>{
                                                         ".....XX...XX.",
                                                         "....X..X.X..X",
                                                         "....X..X.X..X",
                                                         "XX...XX..X..X",
                                                         "....X..X.X..X",
                                                         "....X..X.X..X",
                                                         ".....XX...XX.",
                                                     }));
    // -110 stands one row higher than the other labels; its dash stays on the grid row.
    EXPECT_EQ(Picture(*panel, 529, 170, 15, 7, ink), (std::vector<std::string>{
                                                         ".....X..X...XX.",
                                                         "....XX.XX..X..X",
                                                         ".....X..X..X..X",
                                                         ".....X..X..X..X",
                                                         "XX...X..X..X..X",
                                                         ".....X..X..X..X",
                                                         ".....X..X...XX.",
                                                     }));
    // -150 and its neighbours: "1" at 533, "5" at 536, "0" at 541.
    EXPECT_EQ(Picture(*panel, 529, 231, 16, 7, ink), (std::vector<std::string>{
                                                         ".....X.XXXX..XX.",
                                                         "....XX.X....X..X",
                                                         ".....X.XXX..X..X",
                                                         "XX...X.X..X.X..X",
                                                         ".....X....X.X..X",
                                                         ".....X.X..X.X..X",
                                                         ".....X..XX...XX.",
                                                     }));
    // Nothing is printed beside the bottom grid row.
    for (int x = 527; x < 554; ++x) {
        EXPECT_NE(ColorAt(*panel, x, 249), ink) << x;
    }
}

TEST_F(PanelArtworkTest, EveryLabelHasItsDashAndDigitsInPlace) {
    const TColor ink = ScaleTextColor;
    for (int k = 1; k <= 15; ++k) {
        const int gridRow = 9 + 15 * k;
        EXPECT_EQ(ColorAt(*panel, 529, gridRow), ink) << k;
        EXPECT_EQ(ColorAt(*panel, 530, gridRow), ink) << k;
        // A blank gap of two columns between the dash and the digits, on every text row.
        const int top = k == 11 ? gridRow - 4 : gridRow - 3;
        for (int y = top; y < top + 7; ++y) {
            EXPECT_NE(ColorAt(*panel, 531, y), ink) << k;
            EXPECT_NE(ColorAt(*panel, 532, y), ink) << k;
        }
        // The digits fill their seven rows: something is lit on the top and bottom rows.
        bool topLit = false;
        bool bottomLit = false;
        for (int x = 533; x <= 544; ++x) {
            topLit |= ColorAt(*panel, x, top) == ink;
            bottomLit |= ColorAt(*panel, x, top + 6) == ink;
            EXPECT_NE(ColorAt(*panel, x, top - 1), ink) << k;
            EXPECT_NE(ColorAt(*panel, x, top + 7), ink) << k;
        }
        EXPECT_TRUE(topLit) << k;
        EXPECT_TRUE(bottomLit) << k;
    }
}

TEST_F(PanelArtworkTest, HaloDarkensTheTextureAroundTheText) {
    // Two pixels right of the last digit of -20 and two pixels above "dB".
    for (const auto& [x, y] : {std::pair{543, 39}, std::pair{535, 7}}) {
        const TColor c = ColorAt(*panel, x, y);
        EXPECT_LE(platform::RedOf(c), 23) << x << ", " << y;
        EXPECT_LE(platform::GreenOf(c), 30) << x << ", " << y;
        EXPECT_LE(platform::BlueOf(c), 35) << x << ", " << y;
    }
}

TEST_F(PanelArtworkTest, RulerTicksAndBackground) {
    ASSERT_EQ(ruler->Width(), 543);
    ASSERT_EQ(ruler->Height(), 14);
    const TColor ink = ScaleTextColor;
    for (int x = 0; x < 543; ++x) {
        const bool minor = x >= 6 && x <= 510 && (x - 6) % 8 == 0;
        const bool major = x >= 6 && x <= 486 && (x - 6) % 32 == 0;
        EXPECT_EQ(ColorAt(*ruler, x, 0) == ink, minor) << x;
        EXPECT_EQ(ColorAt(*ruler, x, 1) == ink, minor) << x;
        EXPECT_EQ(ColorAt(*ruler, x, 2) == ink, major) << x;
        EXPECT_EQ(ColorAt(*ruler, x, 3) == ink, major) << x;
        for (int y = 4; y < 7; ++y) {
            EXPECT_EQ(ColorAt(*ruler, x, y), RulerBackgroundColor) << x;
        }
    }
    for (int y = 0; y < 14; ++y) {
        for (int x = 0; x < 543; ++x) {
            const TColor c = ColorAt(*ruler, x, y);
            ASSERT_TRUE(c == ink || c == RulerBackgroundColor);
        }
    }
    EXPECT_EQ(ColorAt(*ruler, 0, 13), RulerBackgroundColor);
}

TEST_F(PanelArtworkTest, RulerLabels) {
    const TColor ink = ScaleTextColor;
    EXPECT_EQ(Picture(*ruler, 1, 7, 15, 7, ink), (std::vector<std::string>{
                                                     "X....X....X....",
                                                     "X....X....X....",
                                                     "X.X..X....X.XXX",
                                                     "XX...XXXXXX...X",
                                                     "XX...X....X..X.",
                                                     "X.X..X....X.X..",
                                                     "X..X.X....X.XXX",
                                                 }));
    EXPECT_EQ(Picture(*ruler, 33, 7, 11, 7, ink), (std::vector<std::string>{
                                                      ".XX....XXXX",
                                                      "X..X...X...",
                                                      "X..X...XXX.",
                                                      "X..X...X..X",
                                                      "X..X......X",
                                                      "X..X...X..X",
                                                      ".XX..X..XX.",
                                                  }));
    // Each label's columns: lit somewhere in its first and last column, nothing in the
    // columns just outside it.
    struct Span {
        int first;
        int last;
    };
    const Span spans[] = {{1, 15},    {33, 43},   {69, 70},   {98, 106},  {132, 135}, {161, 171},
                          {196, 199}, {225, 235}, {260, 263}, {289, 299}, {324, 327}, {353, 363},
                          {388, 391}, {417, 427}, {452, 455}, {481, 491}, {513, 516}};
    auto columnLit = [&](int x) {
        for (int y = 7; y < 14; ++y) {
            if (ColorAt(*ruler, x, y) == ink) {
                return true;
            }
        }
        return false;
    };
    for (const Span& span : spans) {
        EXPECT_TRUE(columnLit(span.first)) << span.first;
        EXPECT_TRUE(columnLit(span.last)) << span.last;
        EXPECT_FALSE(columnLit(span.first - 1)) << span.first;
        EXPECT_FALSE(columnLit(span.last + 1)) << span.last;
    }
}

TEST_F(PanelArtworkTest, EveryDigitIsDrawnFromTheFont) {
    // Each digit as the font defines it, found where the ruler (or, for 9, the decibel
    // scale) prints it.
    struct Expected {
        const TRasterSurface* surface;
        int left;
        int top;
        std::vector<std::string> rows;
    };
    const Expected digits[] = {
        {ruler, 33, 7, {".XX.", "X..X", "X..X", "X..X", "X..X", "X..X", ".XX."}},
        {ruler, 69, 7, {".X", "XX", ".X", ".X", ".X", ".X", ".X"}},
        {ruler, 132, 7, {".XX.", "X..X", "...X", "..X.", ".X..", "X...", "XXXX"}},
        {ruler, 196, 7, {".XX.", "X..X", "...X", "..X.", "...X", "X..X", ".XX."}},
        {ruler, 260, 7, {"..X.", ".XX.", ".XX.", "X.X.", "XXXX", "..X.", "..X."}},
        {ruler, 324, 7, {"XXXX", "X...", "XXX.", "X..X", "...X", "X..X", ".XX."}},
        {ruler, 388, 7, {".XX.", "X..X", "X...", "XXX.", "X..X", "X..X", ".XX."}},
        {ruler, 452, 7, {"XXXX", "...X", "..X.", "..X.", ".X..", ".X..", ".X.."}},
        {ruler, 513, 7, {".XX.", "X..X", "X..X", ".XX.", "X..X", "X..X", ".XX."}},
        {panel, 533, 141, {".XX.", "X..X", "X..X", ".XXX", "...X", "...X", ".XX."}},
    };
    for (const Expected& digit : digits) {
        const int width = static_cast<int>(digit.rows[0].size());
        EXPECT_EQ(Picture(*digit.surface, digit.left, digit.top, width, 7, ScaleTextColor),
                  digit.rows)
            << "at column " << digit.left;
    }
}

TEST_F(PanelArtworkTest, WindowBackgroundDrawsTheRulerTransparentlyOverThePanel) {
    TRasterSurface background;
    ComposeWindowBackground(background, 556, 404, *panel, *ruler);
    ASSERT_EQ(background.Width(), 556);
    ASSERT_EQ(background.Height(), 404);
    EXPECT_EQ(ColorAt(background, 15, 250), ScaleTextColor); // the 0 Hz tick
    EXPECT_EQ(At(background, 16, 250), At(*panel, 16, 250)); // transparent ruler pixel
    for (int y = 0; y < 269; ++y) {
        for (int x = 0; x < 554; ++x) {
            const bool underRuler = x >= 9 && x < 9 + 543 && y >= 250 && y < 264;
            if (!underRuler || ColorAt(*ruler, x - 9, y - 250) == RulerBackgroundColor) {
                ASSERT_EQ(At(background, x, y), At(*panel, x, y)) << x << ", " << y;
            } else {
                ASSERT_EQ(ColorAt(background, x, y), ScaleTextColor) << x << ", " << y;
            }
        }
    }
    for (int y = 0; y < 404; ++y) {
        for (int x = 0; x < 556; ++x) {
            if (x >= 554 || y >= 269) {
                ASSERT_EQ(ColorAt(background, x, y), RGB(0, 0, 0)) << x << ", " << y;
            }
        }
    }
}

TEST_F(PanelArtworkTest, PanelGridLinesUpWithThePlotGrid) {
    // Display pixel (x, y) is panel pixel (15 + x, 9 + y): every dotted panel row is a plot
    // grid row and every dotted panel column a plot grid column.
    for (int k = 0; k <= 16; ++k) {
        const int displayRow = PlotGridRowStep * k;
        EXPECT_EQ(ColorAt(*panel, 15 + 32 + 1, 9 + displayRow) == RGB(4, 44, 80) ||
                      ColorAt(*panel, 15 + 32, 9 + displayRow) == RGB(4, 44, 80),
                  true)
            << k;
    }
    for (int displayColumn = PlotGridColumnStep; displayColumn <= 480;
         displayColumn += PlotGridColumnStep) {
        bool dotted = false;
        for (int y = 10; y < 14; ++y) {
            dotted |= ColorAt(*panel, 15 + displayColumn, y) == RGB(4, 44, 80);
        }
        EXPECT_TRUE(dotted) << displayColumn;
        EXPECT_EQ(ColorAt(*panel, 15 + displayColumn + 1, 11), RGB(0, 0, 0)) << displayColumn;
    }
    // The ruler's 0 Hz tick stands under display column 0.
    EXPECT_EQ(RulerPosition.x + 6, 15);
}

TEST(PanelArtwork, EveryStartDrawsTheSamePixels) {
    TRasterSurface first;
    TRasterSurface second;
    DrawBackgroundPanel(first);
    DrawBackgroundPanel(second);
    EXPECT_TRUE(std::equal(first.Pixels().begin(), first.Pixels().end(), second.Pixels().begin()));
}

TEST(WindowIcon, WhiteGlobeOnTransparentBackground) {
    TRasterSurface icon;
    DrawWindowIcon(icon);
    ASSERT_EQ(icon.Width(), 16);
    ASSERT_EQ(icon.Height(), 16);
    std::vector<std::string> rows;
    for (int y = 0; y < 16; ++y) {
        std::string row;
        for (int x = 0; x < 16; ++x) {
            const TPixel32 p = At(icon, x, y);
            ASSERT_TRUE(p == 0xFFFFFFFFu || p == 0u) << x << ", " << y;
            row += p == 0xFFFFFFFFu ? 'X' : '.';
        }
        rows.push_back(row);
    }
    EXPECT_EQ(rows[0], "......XXXXX.....");
    EXPECT_EQ(rows[7], ".XXXXXXXXXXXXXXX"); // the equator
    EXPECT_EQ(rows[15], "................");
    for (int y = 0; y < 15; ++y) {
        EXPECT_EQ(rows[y], rows[14 - y]) << y; // symmetric about the equator
        EXPECT_EQ(rows[y][8], 'X') << y;       // the axis
    }
}

} // namespace
