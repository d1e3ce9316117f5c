// SPDX-License-Identifier: GPL-3.0-or-later
#include "tile_repaint_optimizer.h"

#include <algorithm>
#include <cassert>
#include <chrono>

namespace controls {

using platform::TRect;

namespace {

constexpr std::uint32_t PackBox(std::uint32_t left, std::uint32_t top, std::uint32_t right,
                                std::uint32_t bottom) {
    return left << 24 | top << 16 | right << 8 | bottom;
}

constexpr std::uint32_t EmptyTile = 0;
constexpr std::uint32_t WholeTile =
    PackBox(0, 0, TTileRepaintOptimizer::TileSize, TTileRepaintOptimizer::TileSize);

constexpr std::int64_t MinCheckIntervalMs = 1000;
constexpr std::int64_t MaxCheckIntervalMs = 5000;
constexpr std::int64_t CheckIntervalStepMs = 250;
constexpr std::int64_t MicrosecondsPerMillisecond = 1000;
// A level is given up when the rectangle count falls more than this below the count that
// made it rise.
constexpr std::size_t RectCountDrop = 10;

struct TBox {
    std::int32_t left, top, right, bottom;
};

TBox Unpack(std::uint32_t packed) {
    return {
        static_cast<std::int32_t>(packed >> 24), static_cast<std::int32_t>((packed >> 16) & 0xFF),
        static_cast<std::int32_t>((packed >> 8) & 0xFF), static_cast<std::int32_t>(packed & 0xFF)};
}

std::uint32_t Pack(const TBox& b) {
    return PackBox(static_cast<std::uint32_t>(b.left), static_cast<std::uint32_t>(b.top),
                   static_cast<std::uint32_t>(b.right), static_cast<std::uint32_t>(b.bottom));
}

bool IsEmptyBox(std::uint32_t packed) {
    const TBox b = Unpack(packed);
    return b.left == b.right || b.top == b.bottom;
}

} // namespace

TMicrosecondClock SteadyMicrosecondClock() {
    return [] {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
}

TTileRepaintOptimizer::TTileRepaintOptimizer(TMicrosecondClock clock)
    : clock_(std::move(clock)), tiles_(1, WholeTile), checkIntervalMs_(MinCheckIntervalMs) {
    lastLevelChange_ = clock_();
}

void TTileRepaintOptimizer::SetBufferSize(std::int32_t width, std::int32_t height) {
    bufferWidth_ = std::max(width, 0);
    bufferHeight_ = std::max(height, 0);
    columns_ = bufferWidth_ / TileSize + 1;
    rows_ = bufferHeight_ / TileSize + 1;
    tiles_.assign(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), WholeTile);
    Reset();
}

void TTileRepaintOptimizer::AddArea(const TRect& area) {
    TRect r{std::min(area.left, area.right), std::min(area.top, area.bottom),
            std::max(area.left, area.right), std::max(area.top, area.bottom)};
    r = platform::Intersection(r, platform::SizeRect(columns_ * TileSize, rows_ * TileSize));
    if (r.right < r.left || r.bottom < r.top) {
        return;
    }
    updatesPending_ = true;
    if (r.IsEmpty()) {
        return;
    }
    for (std::int32_t row = r.top / TileSize; row <= (r.bottom - 1) / TileSize; ++row) {
        for (std::int32_t column = r.left / TileSize; column <= (r.right - 1) / TileSize;
             ++column) {
            std::uint32_t& tile = Tile(column, row);
            if (level_ > 0) {
                tile = WholeTile;
                continue;
            }
            const std::int32_t x = column * TileSize;
            const std::int32_t y = row * TileSize;
            const TBox part{std::max(r.left - x, 0), std::max(r.top - y, 0),
                            std::min(r.right - x, TileSize), std::min(r.bottom - y, TileSize)};
            if (IsEmptyBox(tile)) {
                tile = Pack(part);
            } else {
                const TBox box = Unpack(tile);
                tile = Pack({std::min(box.left, part.left), std::min(box.top, part.top),
                             std::max(box.right, part.right), std::max(box.bottom, part.bottom)});
            }
        }
    }
}

void TTileRepaintOptimizer::Reset() {
    std::fill(tiles_.begin(), tiles_.end(), WholeTile);
    updatesPending_ = true;
}

std::size_t TTileRepaintOptimizer::PerformOptimization(TRectList& rects) {
    const std::size_t firstNew = rects.size();
    const TRect extent = platform::SizeRect(bufferWidth_, bufferHeight_);
    for (std::int32_t row = 0; row < rows_; ++row) {
        std::int32_t column = 0;
        while (column < columns_) {
            const std::uint32_t packed = Tile(column, row);
            if (IsEmptyBox(packed)) {
                ++column;
                continue;
            }
            const TBox first = level_ > 0 ? Unpack(WholeTile) : Unpack(packed);
            const std::int32_t y = row * TileSize;
            TRect rect{column * TileSize + first.left, y + first.top,
                       column * TileSize + first.right, y + first.bottom};
            std::int32_t lastRight = first.right;
            while (lastRight == TileSize && column + 1 < columns_) {
                const std::uint32_t nextPacked = Tile(column + 1, row);
                if (IsEmptyBox(nextPacked)) {
                    break;
                }
                const TBox next = level_ > 0 ? Unpack(WholeTile) : Unpack(nextPacked);
                if (next.left != 0 || next.top != first.top || next.bottom != first.bottom) {
                    break;
                }
                ++column;
                rect.right = column * TileSize + next.right;
                lastRight = next.right;
            }
            ++column;

            rect = platform::Intersection(rect, extent);
            if (rect.IsEmpty()) {
                continue;
            }
            auto above = std::find_if(rects.begin() + static_cast<std::ptrdiff_t>(firstNew),
                                      rects.end(), [&rect](const TRect& r) {
                                          return r.left == rect.left && r.right == rect.right &&
                                                 r.bottom == rect.top;
                                      });
            if (above != rects.end()) {
                above->bottom = rect.bottom;
            } else {
                rects.push_back(rect);
            }
        }
    }
    std::fill(tiles_.begin(), tiles_.end(), EmptyTile);

    producedCount_ = rects.size() - firstNew;
    if (level_ >= MaxPerformanceLevel) {
        rects.resize(firstNew);
    }
    return rects.size() - firstNew;
}

void TTileRepaintOptimizer::BeginPaint() {
    paintStart_ = clock_();
}

void TTileRepaintOptimizer::EndPaint(std::size_t rectCount) {
    const std::int64_t now = clock_();
    const std::int64_t elapsed = now - paintStart_;
    updatesPending_ = false;

    if (rectCount == 0) {
        referenceTime_ = elapsed;
    } else if (referenceTime_ && elapsed > *referenceTime_) {
        // Piecewise was slower than whole: if the level had just been lowered, that did
        // not pay off, so wait longer before the next try.
        if (probing_) {
            checkIntervalMs_ = std::min(checkIntervalMs_ + CheckIntervalStepMs, MaxCheckIntervalMs);
        }
        probing_ = false;
        if (level_ < MaxPerformanceLevel) {
            ++level_;
            countAtRise_ = producedCount_;
            lastLevelChange_ = now;
        }
    } else {
        probing_ = false;
        checkIntervalMs_ = std::max(checkIntervalMs_ - CheckIntervalStepMs, MinCheckIntervalMs);
    }

    const bool intervalPassed =
        now - lastLevelChange_ >= checkIntervalMs_ * MicrosecondsPerMillisecond;
    const bool fewerRects = producedCount_ + RectCountDrop < countAtRise_;
    if (level_ > 0 && (intervalPassed || fewerRects)) {
        --level_;
        lastLevelChange_ = now;
        probing_ = true;
    }
}

std::uint32_t& TTileRepaintOptimizer::Tile(std::int32_t column, std::int32_t row) {
    assert(column >= 0 && column < columns_ && row >= 0 && row < rows_);
    return tiles_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
                  static_cast<std::size_t>(column)];
}

} // namespace controls
