// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstdint>

namespace platform {

// A point in pixels: x to the right, y downward.
struct TPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;

    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

// A half-open rectangle in pixels: it holds the pixels (x, y) with left <= x < right and
// top <= y < bottom. Right <= left or bottom <= top gives an empty rectangle.
struct TRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr std::int32_t Width() const { return right - left; }
    constexpr std::int32_t Height() const { return bottom - top; }
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }

    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

// The common part of two rectangles; empty (but not necessarily all zero) when they do not
// overlap, so test the result with IsEmpty.
constexpr TRect Intersection(const TRect& a, const TRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

// The rectangle grown by `dx` pixels on the left and right and `dy` on the top and bottom.
constexpr TRect Inflated(const TRect& r, std::int32_t dx, std::int32_t dy) {
    return {r.left - dx, r.top - dy, r.right + dx, r.bottom + dy};
}

// The rectangle (0, 0, width, height).
constexpr TRect SizeRect(std::int32_t width, std::int32_t height) {
    return {0, 0, width, height};
}

} // namespace platform
