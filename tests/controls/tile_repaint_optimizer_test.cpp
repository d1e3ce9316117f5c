// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/tile_repaint_optimizer.h"
#include "support/platform_printers.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace {

using controls::TRectList;
using controls::TTileRepaintOptimizer;
using platform::TRect;

// A clock the test moves by hand, in microseconds.
struct TManualClock {
    std::int64_t now = 0;
    controls::TMicrosecondClock Reader() {
        return [this] { return now; };
    }
};

// An optimizer over the 552 x 281 back buffer of a 512 x 241 display, with no changes.
TTileRepaintOptimizer QuietOptimizer(TManualClock& clock) {
    TTileRepaintOptimizer optimizer(clock.Reader());
    optimizer.SetBufferSize(552, 281);
    TRectList discarded;
    optimizer.PerformOptimization(discarded);
    optimizer.BeginPaint();
    optimizer.EndPaint(0);
    return optimizer;
}

// Runs one composition of `rects` rectangles that takes `microseconds`.
void Compose(TTileRepaintOptimizer& optimizer, TManualClock& clock, std::size_t rects,
             std::int64_t microseconds) {
    optimizer.BeginPaint();
    clock.now += microseconds;
    optimizer.EndPaint(rects);
}

// Marks `count` one-pixel changes on tiles two apart each way, 9 to a row, so that they
// make `count` rectangles at any level, and produces them; returns how many came up.
std::size_t ProduceSeparateRectangles(TTileRepaintOptimizer& optimizer, std::size_t count) {
    constexpr std::int32_t Step = 2 * TTileRepaintOptimizer::TileSize;
    constexpr std::int32_t PerRow = 9;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(count); ++i) {
        const std::int32_t x = i % PerRow * Step;
        const std::int32_t y = i / PerRow * Step;
        optimizer.AddArea({x, y, x + 1, y + 1});
    }
    TRectList rects;
    return optimizer.PerformOptimization(rects);
}

TEST(TileRepaintOptimizer, GridHasOneTileMoreThanTheBufferNeedsEachWay) {
    TManualClock clock;
    TTileRepaintOptimizer optimizer(clock.Reader());
    optimizer.SetBufferSize(552, 281);
    EXPECT_EQ(optimizer.Columns(), 18);
    EXPECT_EQ(optimizer.Rows(), 9);
    optimizer.SetBufferSize(512, 256);
    EXPECT_EQ(optimizer.Columns(), 17);
    EXPECT_EQ(optimizer.Rows(), 9);
    EXPECT_TRUE(optimizer.UpdatesPending()) << "a new grid counts as wholly changed";
    TRectList rects;
    optimizer.PerformOptimization(rects);
    EXPECT_EQ(rects, (TRectList{{0, 0, 512, 256}}));
}

TEST(TileRepaintOptimizer, AddingUnitesEachTouchedTileWithItsPartOfTheArea) {
    TManualClock clock;
    TTileRepaintOptimizer optimizer = QuietOptimizer(clock);
    EXPECT_FALSE(optimizer.UpdatesPending());

    optimizer.AddArea({70, 20, 40, 10}); // corners in any order: (40, 10, 70, 20)
    EXPECT_TRUE(optimizer.UpdatesPending());
    // Tiles 1 and 2 of row 0 hold (8, 10, 32, 20) and (0, 10, 6, 20): one run.
    TRectList rects;
    optimizer.PerformOptimization(rects);
    EXPECT_EQ(rects, (TRectList{{40, 10, 70, 20}}));

    optimizer.AddArea({40, 10, 70, 20});
    optimizer.AddArea({33, 2, 35, 4});       // tile 1 grows to (1, 2, 32, 20): the run breaks
    optimizer.AddArea({-100, 300, -5, 400}); // entirely off the grid
    optimizer.AddArea({540, 270, 800, 300}); // clamped to the grid's 576 x 288
    rects.clear();
    optimizer.PerformOptimization(rects);
    EXPECT_EQ(rects, (TRectList{{33, 2, 64, 20}, {64, 10, 70, 20}, {540, 270, 552, 281}}));
}

TEST(TileRepaintOptimizer, OutOfGridAreasAreIgnored) {
    TManualClock clock;
    TTileRepaintOptimizer optimizer = QuietOptimizer(clock);
    optimizer.AddArea({600, 10, 700, 20});
    optimizer.AddArea({-40, -40, -1, -1});
    EXPECT_FALSE(optimizer.UpdatesPending());
    TRectList rects;
    EXPECT_EQ(optimizer.PerformOptimization(rects), 0u);
}

TEST(TileRepaintOptimizer, AResetRepaintsTheWholeBufferInOneRectangle) {
    TManualClock clock;
    TTileRepaintOptimizer optimizer = QuietOptimizer(clock);
    optimizer.Reset();
    TRectList rects{{1, 2, 3, 4}}; // the control's list may hold rectangles already
    EXPECT_EQ(optimizer.PerformOptimization(rects), 1u);
    EXPECT_EQ(rects, (TRectList{{1, 2, 3, 4}, {0, 0, 552, 281}}));

    EXPECT_EQ(optimizer.PerformOptimization(rects), 0u) << "the tiles were emptied";
    EXPECT_TRUE(optimizer.UpdatesPending()) << "until the composition ends";
    Compose(optimizer, clock, 1, 10);
    EXPECT_FALSE(optimizer.UpdatesPending());
}

TEST(TileRepaintOptimizer, AHandedOverBitmapBecomesOneRectangle) {
    TManualClock clock;
    TTileRepaintOptimizer optimizer = QuietOptimizer(clock);
    optimizer.AddArea({-2, -2, 514, 243}); // a 512 x 241 bitmap widened by 2 pixels
    TRectList rects;
    optimizer.PerformOptimization(rects);
    EXPECT_EQ(rects, (TRectList{{0, 0, 514, 243}}));
}

TEST(TileRepaintOptimizer, RunsStopWhereBoxesDoNotLineUp) {
    TManualClock clock;
    TTileRepaintOptimizer optimizer = QuietOptimizer(clock);
    optimizer.AddArea({40, 5, 100, 9});     // tiles 1 to 3 of row 0, one run
    optimizer.AddArea({120, 5, 130, 10});   // tile 3 again: its box grows to bottom 10
    optimizer.AddArea({200, 40, 210, 50});  // row 1, alone
    optimizer.AddArea({200, 64, 210, 100}); // rows 2 and 3: same left and right, stacked
    TRectList rects;
    optimizer.PerformOptimization(rects);
    EXPECT_EQ(rects, (TRectList{
                         {40, 5, 96, 9},   // tiles 1 and 2 share top 5 and bottom 9
                         {96, 5, 130, 10}, // tile 3 has bottom 10: a new rectangle
                         {200, 40, 210, 50},
                         {200, 64, 210, 100}, // the row-3 part extends the row-2 one
                     }));
}

TEST(TileRepaintOptimizer, PiecewiseCompositionsSlowerThanAFullOneRaiseTheLevel) {
    TManualClock clock;
    TTileRepaintOptimizer optimizer = QuietOptimizer(clock);
    Compose(optimizer, clock, 0, 1000); // a full composition: the reference
    Compose(optimizer, clock, 3, 900);  // faster piecewise: level stays
    EXPECT_EQ(optimizer.PerformanceLevel(), 0);

    Compose(optimizer, clock, 3, 1500);
    EXPECT_EQ(optimizer.PerformanceLevel(), 1);
    // Level 1: touched tiles become whole and runs span every non-empty tile.
    optimizer.AddArea({40, 5, 41, 6});
    optimizer.AddArea({70, 20, 80, 21});
    TRectList rects;
    optimizer.PerformOptimization(rects);
    EXPECT_EQ(rects, (TRectList{{32, 0, 96, 32}}));

    Compose(optimizer, clock, 1, 1500);
    EXPECT_EQ(optimizer.PerformanceLevel(), 2);
    optimizer.AddArea({40, 5, 41, 6});
    rects.clear();
    EXPECT_EQ(optimizer.PerformOptimization(rects), 0u) << "level 2 discards the rectangles";
    EXPECT_TRUE(rects.empty());

    clock.now += 1'000'000;
    Compose(optimizer, clock, 0, 1000);
    ASSERT_EQ(optimizer.PerformanceLevel(), 1);
    EXPECT_EQ(optimizer.PerformOptimization(rects), 0u) << "the discarded tiles were emptied";
}

TEST(TileRepaintOptimizer, LevelFallsBackAfterTheCheckIntervalAndWaitsLongerAfterAFailedTry) {
    TManualClock clock;
    TTileRepaintOptimizer optimizer = QuietOptimizer(clock);
    Compose(optimizer, clock, 0, 1000);
    Compose(optimizer, clock, 2, 2000);
    ASSERT_EQ(optimizer.PerformanceLevel(), 1);

    clock.now += 999'000;
    Compose(optimizer, clock, 0, 1000); // 1 s after the rise
    EXPECT_EQ(optimizer.PerformanceLevel(), 0);

    Compose(optimizer, clock, 2, 2000); // the try failed: still slower, wait 1.25 s
    EXPECT_EQ(optimizer.PerformanceLevel(), 1);

    clock.now += 1'000'000;
    Compose(optimizer, clock, 0, 1000); // 1.001 s: not yet
    EXPECT_EQ(optimizer.PerformanceLevel(), 1);
    clock.now += 250'000;
    Compose(optimizer, clock, 0, 1000);
    EXPECT_EQ(optimizer.PerformanceLevel(), 0);
    Compose(optimizer, clock, 2, 500); // the try succeeded: the interval falls back
    EXPECT_EQ(optimizer.PerformanceLevel(), 0);

    Compose(optimizer, clock, 2, 2000);
    ASSERT_EQ(optimizer.PerformanceLevel(), 1);
    clock.now += 999'000;
    Compose(optimizer, clock, 0, 1000); // 1 s after the rise
    EXPECT_EQ(optimizer.PerformanceLevel(), 0);
}

// The rule of the adaptive mode that a case of the threshold test probes.
enum class TLevelRule : std::uint8_t {
    lrRise,        // a piecewise composition of `value` us after a full one of 1000 us
    lrCeiling,     // `value` piecewise compositions in a row, each slower than a full one
    lrFewerRects,  // `value` rectangles, faster, after a rise at 12 rectangles
    lrIntervalEnd, // a full composition ending `value` us after a rise
};

TEST(TileRepaintOptimizer, LevelRisesAndFallsExactlyAtItsThresholds) {
    const struct {
        TLevelRule rule;
        std::int64_t value;
        int level;
    } cases[] = {
        {TLevelRule::lrRise, 1000, 0}, // as slow as the full one is not slower
        {TLevelRule::lrRise, 1001, 1},
        {TLevelRule::lrCeiling, 2, 2},
        {TLevelRule::lrCeiling, 3, 2},    // level 2 is the highest
        {TLevelRule::lrFewerRects, 2, 1}, // 10 below the count at the rise: kept
        {TLevelRule::lrFewerRects, 1, 0}, // 11 below: lowered
        {TLevelRule::lrIntervalEnd, 999'999, 1},
        {TLevelRule::lrIntervalEnd, 1'000'000, 0}, // the check interval starts at 1 s
    };
    for (const auto& c : cases) {
        TManualClock clock;
        TTileRepaintOptimizer optimizer = QuietOptimizer(clock);
        Compose(optimizer, clock, 0, 1000); // the reference
        switch (c.rule) {
        case TLevelRule::lrRise:
            Compose(optimizer, clock, 1, c.value);
            break;
        case TLevelRule::lrCeiling:
            for (std::int64_t i = 0; i < c.value; ++i) {
                Compose(optimizer, clock, 1, 2000);
            }
            break;
        case TLevelRule::lrFewerRects: {
            const auto count = static_cast<std::size_t>(c.value);
            ASSERT_EQ(ProduceSeparateRectangles(optimizer, 12), 12u);
            Compose(optimizer, clock, 12, 5000);
            ASSERT_EQ(optimizer.PerformanceLevel(), 1);
            ASSERT_EQ(ProduceSeparateRectangles(optimizer, count), count);
            Compose(optimizer, clock, count, 500);
            break;
        }
        case TLevelRule::lrIntervalEnd:
            Compose(optimizer, clock, 1, 2000);
            ASSERT_EQ(optimizer.PerformanceLevel(), 1);
            clock.now += c.value - 1000;
            Compose(optimizer, clock, 0, 1000);
            break;
        }
        EXPECT_EQ(optimizer.PerformanceLevel(), c.level)
            << "rule " << static_cast<int>(c.rule) << ", value " << c.value;
    }
}

} // namespace
