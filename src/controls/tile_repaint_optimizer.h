// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/geometry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace controls {

using TRectList = std::vector<platform::TRect>;

// A clock reading in microseconds from an arbitrary fixed origin.
using TMicrosecondClock = std::function<std::int64_t()>;

// The monotonic clock of the process.
TMicrosecondClock SteadyMicrosecondClock();

// Keeps track of the changed parts of a back buffer in a grid of 32 x 32-pixel tiles and
// turns them into few rectangles to recompose and copy.
//
// The grid covers (0, 0, width, height) of the buffer with width div 32 + 1 columns and
// height div 32 + 1 rows. Each tile holds the bounding box of its changed pixels relative
// to the tile's corner, packed into 32 bits as left << 24 | top << 16 | right << 8 | bottom
// (each 0 to 32); a box with left = right or top = bottom is empty, (0, 0, 32, 32) is the
// whole tile.
//
// Adaptive mode: the control reports how long each composition takes. When a piecewise
// composition is slower than the last full one, the performance level rises (0 to 2); at
// a level above 0 every touched tile counts as whole, and at level 2 no rectangles are
// produced at all, so every paint recomposes the whole area. The level falls back by one
// after each check interval (1000 to 5000 ms) or when far fewer rectangles come up than at
// the last rise.
class TTileRepaintOptimizer {
public:
    static constexpr std::int32_t TileSize = 32;
    static constexpr int MaxPerformanceLevel = 2;

    explicit TTileRepaintOptimizer(TMicrosecondClock clock = SteadyMicrosecondClock());

    // Adapts the grid to a buffer of the given size (pixels, at least 0); a reset.
    void SetBufferSize(std::int32_t width, std::int32_t height);
    std::int32_t Columns() const { return columns_; }
    std::int32_t Rows() const { return rows_; }

    // Marks `area` (buffer pixels, corners in any order) as changed. The part outside the
    // grid is ignored.
    void AddArea(const platform::TRect& area);

    // Marks every tile as wholly changed.
    void Reset();

    // Whether changes were added since the last composition ended.
    bool UpdatesPending() const { return updatesPending_; }

    // Appends rectangles covering every changed tile to `rects`, clipped to the buffer, and
    // empties the tiles; returns how many it appended (none at level 2). Tiles are scanned
    // row by row from the top, each row from the left; a box reaching its tile's right edge
    // runs on over the following tiles whose boxes start at their left edge with the same
    // top and bottom, and a rectangle of the row above with the same left and right that
    // ends where the new one begins is extended downward instead.
    std::size_t PerformOptimization(TRectList& rects);

    // Brackets a composition of the buffer; `rectCount` is the number of rectangles it
    // recomposed, 0 for a full composition. EndPaint clears UpdatesPending.
    void BeginPaint();
    void EndPaint(std::size_t rectCount);

    int PerformanceLevel() const { return level_; }

private:
    std::uint32_t& Tile(std::int32_t column, std::int32_t row);

    TMicrosecondClock clock_;
    std::int32_t bufferWidth_ = 0;
    std::int32_t bufferHeight_ = 0;
    std::int32_t columns_ = 1;
    std::int32_t rows_ = 1;
    std::vector<std::uint32_t> tiles_; // row-major
    bool updatesPending_ = false;

    int level_ = 0;
    std::int64_t checkIntervalMs_;
    std::optional<std::int64_t> referenceTime_; // microseconds of the last full composition
    std::int64_t paintStart_ = 0;
    std::int64_t lastLevelChange_ = 0;
    bool probing_ = false;          // the level was just lowered; the next piecewise paint tells
    std::size_t producedCount_ = 0; // rectangles of the last optimization, discarded or not
    std::size_t countAtRise_ = 0;
};

} // namespace controls
