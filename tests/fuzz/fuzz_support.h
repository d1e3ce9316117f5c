// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the fuzz targets share: reading an input as a script of choices, guarded pixel
// memory, and stopping with a message when an invariant breaks.

#include "platform/color.h"
#include "raster/pixel32.h"
#include "raster/pixel_allocator.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

namespace fuzz {

// Ends the run as a crash, so that libFuzzer keeps the input that broke the invariant.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void Require(bool holds, const char* what) {
    if (!holds) {
        Fail(what);
    }
}

// An input read front to back as a script. Past its end it reads as zeros, so every input,
// even an empty one, is a complete script; Exhausted tells the loops when to stop.
class TInput {
public:
    TInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Exhausted() const { return offset_ >= size_; }

    std::uint8_t Byte() { return offset_ < size_ ? data_[offset_++] : 0; }
    bool Flag() { return (Byte() & 1) != 0; }

    std::uint32_t Word() {
        std::uint32_t word = 0;
        for (int i = 0; i < 4; ++i) {
            word |= std::uint32_t{Byte()} << (8 * i);
        }
        return word;
    }

    // 0 to count - 1, from one byte; count at most 256.
    std::uint32_t Below(std::uint32_t count) { return Byte() % count; }

    // low to high, both included; from one byte when that covers the span, else from four.
    std::int32_t Between(std::int32_t low, std::int32_t high) {
        const auto span = static_cast<std::uint64_t>(std::int64_t{high} - low) + 1;
        const std::uint64_t raw = span <= 256 ? Byte() : Word();
        return static_cast<std::int32_t>(low + static_cast<std::int64_t>(raw % span));
    }

    // A coordinate for something `extent` pixels across: mostly on or near it, often far
    // away, and regularly at the ends of the 32-bit range, where sums and differences of
    // coordinates overflow.
    std::int32_t Coordinate(std::int32_t extent) {
        static constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
        static constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
        static constexpr std::array<std::int32_t, 12> Extremes = {
            Min, Min + 1, -(1 << 30), -(1 << 30) - 1, -65536, -1,
            Max, Max - 1, 1 << 30,    (1 << 30) + 1,  65536,  0};
        switch (Byte() % 8) {
        case 0:
        case 1:
        case 2:
            return Between(-2, extent + 2);
        case 3:
            return Between(-1000, extent + 1000);
        case 4:
        case 5:
            return Extremes[Below(Extremes.size())];
        case 6:
            return static_cast<std::int32_t>(Word());
        default:
            return Extremes[Below(Extremes.size())] / 2 + Between(-2, 2);
        }
    }

    // A colour as the controls are given one: plain RGB, or now and then a system colour.
    platform::TColor Color(bool systemColors) {
        if (systemColors && Below(4) == 0) {
            return platform::ToSystemColor(
                static_cast<platform::SystemColorIndex>(Below(platform::SystemColorCount)));
        }
        const std::uint8_t r = Byte();
        const std::uint8_t g = Byte();
        return platform::RGB(r, g, Byte());
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

// Never a pixel that drawing produces: every drawn pixel has alpha 255.
inline constexpr raster::TPixel32 Sentinel = 0x5AC3A55Au;

// Pixel memory between two bands of sentinel pixels. A pixel changed in a band was written
// past the surface's memory; the sanitizer catches writes beyond the bands.
class TGuardedAllocator : public raster::TPixelAllocator {
public:
    static constexpr std::size_t GuardPixels = 64;

    ~TGuardedAllocator() override {
        CheckGuards();
        for (const TBlock& block : blocks_) {
            std::free(block.start);
        }
    }

    raster::TPixel32* Allocate(std::size_t count) override {
        auto* start = static_cast<raster::TPixel32*>(
            std::calloc(count + 2 * GuardPixels, sizeof(raster::TPixel32)));
        if (start == nullptr) {
            return nullptr;
        }
        std::fill(start, start + GuardPixels, Sentinel);
        std::fill(start + GuardPixels + count, start + count + 2 * GuardPixels, Sentinel);
        blocks_.push_back({start, count});
        return start + GuardPixels;
    }

    void Release(raster::TPixel32* pixels) noexcept override {
        const auto block = std::find_if(blocks_.begin(), blocks_.end(), [pixels](const TBlock& b) {
            return b.start + GuardPixels == pixels;
        });
        Require(block != blocks_.end(), "memory released that was not handed out");
        CheckGuards(*block);
        std::free(block->start);
        blocks_.erase(block);
    }

    void CheckGuards() const {
        for (const TBlock& block : blocks_) {
            CheckGuards(block);
        }
    }

private:
    struct TBlock {
        raster::TPixel32* start;
        std::size_t count;
    };

    static void CheckGuards(const TBlock& block) {
        const raster::TPixel32* end = block.start + block.count + 2 * GuardPixels;
        const bool intact =
            std::all_of(block.start, block.start + GuardPixels,
                        [](raster::TPixel32 p) { return p == Sentinel; }) &&
            std::all_of(end - GuardPixels, end, [](raster::TPixel32 p) { return p == Sentinel; });
        Require(intact, "a pixel was written outside the surface's memory");
    }

    std::vector<TBlock> blocks_;
};

} // namespace fuzz
