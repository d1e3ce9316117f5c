// SPDX-License-Identifier: GPL-3.0-or-later
#include "rasterizer.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

namespace raster {

using platform::TPoint;
using platform::TRect;

namespace {

// Products of two coordinate differences need up to 65 bits.
__extension__ typedef __int128 TWide;

constexpr int PatternSize = 8;

bool ClipIsInsideTarget(const TPixelTarget& target, const TRect& clip) {
    return clip.IsEmpty() || (clip.left >= 0 && clip.top >= 0 && clip.right <= target.width &&
                              clip.bottom <= target.height);
}

// Rounds a / b towards minus infinity; b > 0.
TWide FloorDiv(TWide a, TWide b) {
    TWide q = a / b;
    if (a % b != 0 && a < 0) {
        --q;
    }
    return q;
}

TWide CeilDiv(TWide a, TWide b) {
    return -FloorDiv(-a, b);
}

TPixel32* RowStart(const TPixelTarget& target, std::int32_t y) {
    return target.bits + static_cast<std::size_t>(y) * static_cast<std::size_t>(target.width);
}

// Fills x in [x0, x1) of row y; the caller has clipped the span.
void FillSpanUnclipped(const TPixelTarget& target, std::int32_t y, std::int32_t x0, std::int32_t x1,
                       const TBrushPixels& brush) {
    TPixel32* row = RowStart(target, y);
    if (!brush.patterned) {
        FillPixelRun(row + x0, static_cast<std::size_t>(x1 - x0), brush.solid);
        return;
    }
    const TPixel32* patternRow =
        &brush.pattern[static_cast<std::size_t>(y % PatternSize) * PatternSize];
    for (std::int32_t x = x0; x < x1; ++x) {
        row[x] = patternRow[x % PatternSize];
    }
}

// A crossing of a polygon edge with a pixel row: x = whole + fraction / denominator, with
// 0 <= fraction < denominator.
struct TCrossing {
    std::int64_t whole;
    std::uint64_t fraction;
    std::uint64_t denominator;
};

bool CrossesBefore(const TCrossing& a, const TCrossing& b) {
    if (a.whole != b.whole) {
        return a.whole < b.whole;
    }
    // Both fractions are below their denominators (< 2^32), so the products fit.
    return a.fraction * b.denominator < b.fraction * a.denominator;
}

} // namespace

TRect PlacedRect(TPoint origin, std::int32_t width, std::int32_t height) {
    assert(width >= 0 && height >= 0);
    constexpr std::int64_t End = std::numeric_limits<std::int32_t>::max();
    return {origin.x, origin.y,
            static_cast<std::int32_t>(std::min(std::int64_t{origin.x} + width, End)),
            static_cast<std::int32_t>(std::min(std::int64_t{origin.y} + height, End))};
}

void FillPixelRun(TPixel32* first, std::size_t count, TPixel32 value) {
    // Byte-uniform values (such as 0) and short runs need no tricks.
    constexpr std::size_t Seed = 32;
    if ((value & 0xFFu) * 0x01010101u == value) {
        std::memset(first, static_cast<int>(value & 0xFFu), count * sizeof(TPixel32));
        return;
    }
    if (count <= Seed) {
        std::fill(first, first + count, value);
        return;
    }
    // Fill a seed by hand, then double it with block copies.
    std::fill(first, first + Seed, value);
    std::size_t done = Seed;
    while (done < count) {
        const std::size_t chunk = std::min(done, count - done);
        std::memcpy(first + done, first, chunk * sizeof(TPixel32));
        done += chunk;
    }
}

void FillRectUnclipped(const TPixelTarget& target, const TRect& area, TPixel32 value) {
    if (area.IsEmpty()) {
        return;
    }
    // The first row by hand, the others as copies of it.
    const auto width = static_cast<std::size_t>(area.Width());
    const TPixel32* firstRow = RowStart(target, area.top) + area.left;
    FillPixelRun(RowStart(target, area.top) + area.left, width, value);
    for (std::int32_t y = area.top + 1; y < area.bottom; ++y) {
        std::memcpy(RowStart(target, y) + area.left, firstRow, width * sizeof(TPixel32));
    }
}

void FillArea(const TPixelTarget& target, const TRect& clip, const TRect& area,
              const TBrushPixels& brush) {
    assert(ClipIsInsideTarget(target, clip));
    const TRect r = platform::Intersection(area, clip);
    if (r.IsEmpty()) {
        return;
    }
    if (!brush.patterned) {
        FillRectUnclipped(target, r, brush.solid);
        return;
    }
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        FillSpanUnclipped(target, y, r.left, r.right, brush);
    }
}

void DrawLine(const TPixelTarget& target, const TRect& clip, TPoint from, TPoint to,
              TPixel32 color) {
    assert(ClipIsInsideTarget(target, clip));
    if (clip.IsEmpty()) {
        return;
    }
    const std::int64_t dx = std::int64_t{to.x} - from.x;
    const std::int64_t dy = std::int64_t{to.y} - from.y;
    if (dx == 0 && dy == 0) {
        return;
    }
    // Work in (u, v): u the major axis, v the minor one.
    const bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const auto major = [xMajor](TPoint p) -> std::int64_t { return xMajor ? p.x : p.y; };
    const auto minor = [xMajor](TPoint p) -> std::int64_t { return xMajor ? p.y : p.x; };

    // Walk from the end with the smaller u, so that the pixels do not depend on the
    // direction; the excluded end point is then the first or the last step.
    const bool forward = major(to) > major(from);
    const TPoint a = forward ? from : to;
    const TPoint b = forward ? to : from;
    const std::int64_t ua = major(a);
    const std::int64_t va = minor(a);
    const std::int64_t du = major(b) - ua;       // > 0
    const std::int64_t dvSigned = minor(b) - va; // |dvSigned| <= du
    const std::int64_t vStep = dvSigned < 0 ? -1 : 1;
    const std::int64_t dv = dvSigned < 0 ? -dvSigned : dvSigned;

    const std::int64_t uClipFirst = xMajor ? clip.left : clip.top;
    const std::int64_t uClipLast = (xMajor ? clip.right : clip.bottom) - 1;
    const std::int64_t vClipFirst = xMajor ? clip.top : clip.left;
    const std::int64_t vClipLast = (xMajor ? clip.bottom : clip.right) - 1;

    const std::int64_t uFirst = std::max(forward ? ua : ua + 1, uClipFirst);
    const std::int64_t uLast = std::min(forward ? ua + du - 1 : ua + du, uClipLast);
    if (uFirst > uLast) {
        return;
    }

    // At step t = u - ua the ideal minor offset is t * dv / du; k is it rounded, ties down:
    // the smallest k with 2 du k >= 2 t dv - du. The error term e = 2 t dv - du - 2 du k
    // stays in (-2 du, 0]. An unclipped start has t = 0, k = 0 and e = -du; a clipped one
    // needs the division, in 128 bits only when the product could overflow.
    const std::int64_t t = uFirst - ua;
    std::int64_t k = 0;
    std::int64_t e = -du;
    if (t != 0) {
        constexpr std::int64_t Narrow = std::int64_t{1} << 30;
        if (t < Narrow && dv < Narrow && du < Narrow) {
            const std::int64_t twoN = 2 * t * dv;
            const std::int64_t twoDu = 2 * du;
            const std::int64_t numerator = twoN - du; // k = ceil(numerator / twoDu)
            k = numerator >= 0 ? (numerator + twoDu - 1) / twoDu : -(-numerator / twoDu);
            e = twoN - du - twoDu * k;
        } else {
            const TWide twoN = TWide{2} * t * dv;
            const TWide kWide = CeilDiv(twoN - du, TWide{2} * du);
            k = static_cast<std::int64_t>(kWide);
            e = static_cast<std::int64_t>(twoN - du - TWide{2} * du * kWide);
        }
    }
    std::int64_t v = va + vStep * k;

    // Steps before the line enters the clip along v.
    std::int64_t u = uFirst;
    while (v < vClipFirst || v > vClipLast) {
        const bool movingAway = dv == 0 || (vStep > 0 ? v > vClipLast : v < vClipFirst);
        if (movingAway || u == uLast) {
            return;
        }
        ++u;
        e += 2 * dv;
        if (e > 0) {
            v += vStep;
            e -= 2 * du;
        }
    }

    // Inside: walk the pixel index, one row or column per step, until the line leaves the
    // clip along v or ends.
    const std::int64_t width = target.width;
    const std::int64_t uStride = xMajor ? 1 : width;
    const std::int64_t vStride = (xMajor ? width : 1) * vStep;
    std::int64_t index = xMajor ? v * width + u : u * width + v;
    if (dv == 0 && xMajor) {
        FillPixelRun(target.bits + index, static_cast<std::size_t>(uLast - u + 1), color);
        return;
    }
    for (;;) {
        target.bits[index] = color;
        if (u == uLast) {
            return;
        }
        ++u;
        index += uStride;
        e += 2 * dv;
        if (e > 0) {
            v += vStep;
            if (v < vClipFirst || v > vClipLast) {
                return;
            }
            index += vStride;
            e -= 2 * du;
        }
    }
}

void FillPolygonInterior(const TPixelTarget& target, const TRect& clip,
                         std::span<const TPoint> vertices, const TBrushPixels& brush) {
    assert(ClipIsInsideTarget(target, clip));
    if (clip.IsEmpty() || vertices.size() < 3) {
        return;
    }
    std::int32_t yMin = vertices.front().y;
    std::int32_t yMax = vertices.front().y;
    for (const TPoint& p : vertices) {
        yMin = std::min(yMin, p.y);
        yMax = std::max(yMax, p.y);
    }
    const std::int32_t rowFirst = std::max(yMin, clip.top);
    const std::int32_t rowLast = std::min(yMax, clip.bottom - 1);

    std::vector<TCrossing> crossings;
    crossings.reserve(vertices.size());
    for (std::int32_t y = rowFirst; y <= rowLast; ++y) {
        crossings.clear();
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            const TPoint& p = vertices[i];
            const TPoint& q = vertices[(i + 1) % vertices.size()];
            if (p.y == q.y) {
                continue; // horizontal edges only bound rows the outline covers
            }
            const TPoint& lo = p.y < q.y ? p : q;
            const TPoint& hi = p.y < q.y ? q : p;
            // Each edge holds its upper end and not its lower one, so a vertex shared by
            // two edges is counted once per side and the parity stays right.
            if (y < lo.y || y >= hi.y) {
                continue;
            }
            const std::int64_t denominator = std::int64_t{hi.y} - lo.y;
            const TWide numerator = TWide{y - std::int64_t{lo.y}} * (std::int64_t{hi.x} - lo.x);
            const TWide whole = FloorDiv(numerator, denominator);
            crossings.push_back({lo.x + static_cast<std::int64_t>(whole),
                                 static_cast<std::uint64_t>(numerator - whole * denominator),
                                 static_cast<std::uint64_t>(denominator)});
        }
        std::sort(crossings.begin(), crossings.end(), CrossesBefore);
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            const TCrossing& left = crossings[i];
            const TCrossing& right = crossings[i + 1];
            // Pixels strictly between the crossings: a crossing on a pixel centre excludes it.
            const std::int64_t first = std::max<std::int64_t>(left.whole + 1, clip.left);
            const std::int64_t last = std::min<std::int64_t>(
                right.fraction == 0 ? right.whole - 1 : right.whole, clip.right - 1);
            if (first <= last) {
                FillSpanUnclipped(target, y, static_cast<std::int32_t>(first),
                                  static_cast<std::int32_t>(last + 1), brush);
            }
        }
    }
}

} // namespace raster
