// SPDX-License-Identifier: GPL-3.0-or-later
#include "gauge_painter.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace controls {

using platform::TColor;
using platform::TPoint;
using platform::TRect;

namespace {

constexpr std::int32_t ChannelMax = 255;
constexpr std::int32_t MixWeightLimit = 256;

std::uint8_t ClampChannel(std::int32_t value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, ChannelMax));
}

// (a * weight + b * (255 - weight)) div 256; both terms are non-negative, so the division
// truncates like a shift.
std::uint8_t MixChannel(std::uint8_t a, std::uint8_t b, std::int32_t weight) {
    return static_cast<std::uint8_t>((a * weight + b * (ChannelMax - weight)) / MixWeightLimit);
}

} // namespace

TColor TGaugePainter::Resolve(TColor color) const {
    return platform::ResolveColor(platform_, color);
}

TColor TGaugePainter::ShiftColor(TColor color, std::int32_t amount) const {
    const TColor c = Resolve(color);
    return platform::RGB(ClampChannel(platform::RedOf(c) + amount),
                         ClampChannel(platform::GreenOf(c) + amount),
                         ClampChannel(platform::BlueOf(c) + amount));
}

TColor TGaugePainter::MixColors(TColor c1, TColor c2, std::int32_t weight) const {
    assert(weight >= 0 && weight < MixWeightLimit && "Assertion failure");
    const TColor a = Resolve(c1);
    const TColor b = Resolve(c2);
    return platform::RGB(MixChannel(platform::RedOf(a), platform::RedOf(b), weight),
                         MixChannel(platform::GreenOf(a), platform::GreenOf(b), weight),
                         MixChannel(platform::BlueOf(a), platform::BlueOf(b), weight));
}

void TGaugePainter::DrawPolyline(std::span<const TPoint> points, TColor color) {
    canvas_.SetPenColor(Resolve(color));
    canvas_.Polyline(points);
}

void TGaugePainter::FillSolid(const TRect& r, TColor color) {
    if (r.IsEmpty()) {
        return;
    }
    canvas_.SetBrushColor(Resolve(color));
    canvas_.FillRect(r);
}

void TGaugePainter::FillPattern(const TRect& r, TColor c1, TColor c2) {
    if (r.IsEmpty()) {
        return;
    }
    const TColor even = Resolve(c1);
    const TColor odd = Resolve(c2);
    if (even == odd) {
        FillSolid(r, even);
        return;
    }
    canvas_.SetBrushPattern(raster::CheckerboardPattern(even, odd));
    canvas_.FillRect(r);
}

void TGaugePainter::FrameRect(const TRect& r, TColor color) {
    if (r.IsEmpty()) {
        return;
    }
    canvas_.SetBrushColor(Resolve(color));
    canvas_.FillRect({r.left, r.top, r.right, r.top + 1});
    canvas_.FillRect({r.left, r.bottom - 1, r.right, r.bottom});
    canvas_.FillRect({r.left, r.top + 1, r.left + 1, r.bottom - 1});
    canvas_.FillRect({r.right - 1, r.top + 1, r.right, r.bottom - 1});
}

void TGaugePainter::FrameDotted(const TRect& r, TColor dot, TColor gap) {
    if (r.IsEmpty()) {
        return;
    }
    FillPattern({r.left, r.top, r.right, r.top + 1}, dot, gap);
    FillPattern({r.left, r.bottom - 1, r.right, r.bottom}, dot, gap);
    FillPattern({r.left, r.top + 1, r.left + 1, r.bottom - 1}, dot, gap);
    FillPattern({r.right - 1, r.top + 1, r.right, r.bottom - 1}, dot, gap);
}

void TGaugePainter::DrawFrameEdges(TRect& r, TGaugeDirection direction, TColor color) {
    canvas_.SetPenColor(Resolve(color));
    canvas_.MoveTo(r.left, r.top);
    canvas_.LineTo(r.right, r.top);
    ++r.top;
    --r.bottom;
    canvas_.MoveTo(r.left, r.bottom);
    canvas_.LineTo(r.right, r.bottom);
    if (direction == TGaugeDirection::gdLeft) {
        canvas_.MoveTo(r.left, r.top);
        canvas_.LineTo(r.left, r.bottom);
        ++r.left;
    } else {
        --r.right;
        canvas_.MoveTo(r.right, r.top);
        canvas_.LineTo(r.right, r.bottom);
    }
}

void TGaugePainter::DrawBevel(TRect& r, TColor topLeft, TColor bottomRight, TBevelFit fit) {
    // The polylines run along the last column and row inside r; each leaves out its end
    // point, which the other one sets.
    const std::int32_t right = r.right - 1;
    const std::int32_t bottom = r.bottom - 1;
    const std::array<TPoint, 3> upperLeft = {TPoint{r.left, bottom}, TPoint{r.left, r.top},
                                             TPoint{right, r.top}};
    const std::array<TPoint, 3> lowerRight = {TPoint{right, r.top}, TPoint{right, bottom},
                                              TPoint{r.left, bottom}};
    canvas_.SetPenColor(Resolve(topLeft));
    canvas_.Polyline(upperLeft);
    canvas_.SetPenColor(Resolve(bottomRight));
    canvas_.Polyline(lowerRight);
    if (r.Width() == 1 && r.Height() == 1) {
        // Both polylines have length 0 and set nothing; the one pixel is the top-left
        // corner. Without this the middle of a 3 x 3 handle would stay unpainted.
        FillSolid(r, topLeft);
    }
    if (fit == TBevelFit::bfShrink) {
        r = {r.left + 1, r.top + 1, right, bottom};
    }
}

void TGaugePainter::DrawArrowGlyph(const TRect& r, TGaugeDirection direction, TColor color) {
    // Integer division truncates toward zero, also for the negative values of tiny rects.
    const std::int32_t cx = (r.left + r.right - 1) / 2;
    const std::int32_t cy = (r.top + r.bottom - 1) / 2;
    std::int32_t s = std::min(cx - r.left, cy - r.top) * 3 / 4 - 1;
    if (s == 0) {
        s = 1;
    }
    // The base lies o pixels behind the centre and the tip s pixels ahead of the base.
    std::array<TPoint, 3> triangle;
    if (direction == TGaugeDirection::gdLeft) {
        const std::int32_t o = (s + 1) / 3;
        triangle = {TPoint{cx + o, cy + s}, TPoint{cx + o - s, cy}, TPoint{cx + o, cy - s}};
    } else {
        const std::int32_t o = s / 3;
        triangle = {TPoint{cx - o, cy + s}, TPoint{cx - o + s, cy}, TPoint{cx - o, cy - s}};
    }
    const TColor c = Resolve(color);
    canvas_.SetPenColor(c);
    canvas_.SetBrushColor(c);
    canvas_.Polygon(triangle);
}

} // namespace controls
