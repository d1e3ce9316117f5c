#include "controls/tile_repaint_optimizer.h"
#include "support/platform_printers.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace {

using platform::TRect;
using controls::TRectList;
using controls::TTileRepaintOptimizer;

constexpr std::uint32_t Whole = TTileRepaintOptimizer::PackBox(0, 0, 32, 32);

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
    EXPECT_EQ(optimizer.PackedTile(16, 8), Whole);
}

TEST(TileRepaintOptimizer, AddingUnitesEachTouchedTileWithItsPartOfTheArea) {
    TManualClock clock;
    TTileRepaintOptimizer optimizer = QuietOptimizer(clock);
    EXPECT_FALSE(optimizer.UpdatesPending());

    optimizer.AddArea({70, 20, 40, 10}); // corners in any order: (40, 10, 70, 20)
    EXPECT_TRUE(optimizer.UpdatesPending());
    EXPECT_EQ(optimizer.PackedTile(1, 0), TTileRepaintOptimizer::PackBox(8, 10, 32, 20));
    EXPECT_EQ(optimizer.PackedTile(2, 0), TTileRepaintOptimizer::PackBox(0, 10, 6, 20));
    EXPECT_EQ(optimizer.PackedTile(0, 0), 0u);
    EXPECT_EQ(optimizer.PackedTile(3, 0), 0u);

    optimizer.AddArea({33, 2, 35, 4});
    EXPECT_EQ(optimizer.PackedTile(1, 0), TTileRepaintOptimizer::PackBox(1, 2, 32, 20));

    optimizer.AddArea({-100, 300, -5, 400}); // entirely off the grid
    optimizer.AddArea({570, 280, 800, 300}); // clamped to the grid's 576 x 288
    EXPECT_EQ(optimizer.PackedTile(17, 8), TTileRepaintOptimizer::PackBox(26, 24, 32, 32));
    EXPECT_EQ(optimizer.PackedTile(0, 8), 0u);
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
    EXPECT_EQ(optimizer.PackedTile(1, 0), Whole);
    TRectList rects;
    optimizer.PerformOptimization(rects);
    EXPECT_EQ(rects, (TRectList{{32, 0, 96, 32}}));

    Compose(optimizer, clock, 1, 1500);
    EXPECT_EQ(optimizer.PerformanceLevel(), 2);
    optimizer.AddArea({40, 5, 41, 6});
    rects.clear();
    EXPECT_EQ(optimizer.PerformOptimization(rects), 0u) << "level 2 discards the rectangles";
    EXPECT_TRUE(rects.empty());
    EXPECT_EQ(optimizer.PackedTile(1, 0), 0u);
}

TEST(TileRepaintOptimizer, LevelFallsBackAfterTheCheckIntervalAndWaitsLongerAfterAFailedTry) {
    TManualClock clock;
    TTileRepaintOptimizer optimizer = QuietOptimizer(clock);
    Compose(optimizer, clock, 0, 1000);
    Compose(optimizer, clock, 2, 2000);
    ASSERT_EQ(optimizer.PerformanceLevel(), 1);
    EXPECT_EQ(optimizer.CheckIntervalMs(), 1000);

    clock.now += 999'000;
    Compose(optimizer, clock, 0, 1000); // 1 s after the rise
    EXPECT_EQ(optimizer.PerformanceLevel(), 0);

    Compose(optimizer, clock, 2, 2000); // the try failed: still slower
    EXPECT_EQ(optimizer.PerformanceLevel(), 1);
    EXPECT_EQ(optimizer.CheckIntervalMs(), 1250);

    clock.now += 1'000'000;
    Compose(optimizer, clock, 0, 1000); // 1.001 s: not yet
    EXPECT_EQ(optimizer.PerformanceLevel(), 1);
    clock.now += 250'000;
    Compose(optimizer, clock, 0, 1000);
    EXPECT_EQ(optimizer.PerformanceLevel(), 0);
    Compose(optimizer, clock, 2, 500); // the try succeeded: the interval falls back
    EXPECT_EQ(optimizer.PerformanceLevel(), 0);
    EXPECT_EQ(optimizer.CheckIntervalMs(), 1000);
}

TEST(TileRepaintOptimizer, LevelFallsBackWhenFarFewerRectanglesComeUp) {
    TManualClock clock;
    TTileRepaintOptimizer optimizer = QuietOptimizer(clock);
    Compose(optimizer, clock, 0, 1000);
    for (int i = 0; i < 12; ++i) {
        optimizer.AddArea({i * 40, i * 20, i * 40 + 1, i * 20 + 1}); // 12 separate tiles
    }
    TRectList rects;
    ASSERT_EQ(optimizer.PerformOptimization(rects), 12u);
    Compose(optimizer, clock, rects.size(), 5000);
    ASSERT_EQ(optimizer.PerformanceLevel(), 1);

    optimizer.AddArea({0, 0, 1, 1});
    rects.clear();
    optimizer.PerformOptimization(rects);
    Compose(optimizer, clock, rects.size(), 500); // 1 rectangle: more than 10 below 12
    EXPECT_EQ(optimizer.PerformanceLevel(), 0);
}

} // namespace
