// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface_view.h"

#include <algorithm>
#include <cassert>
#include <limits>

namespace controls {

using platform::TPoint;
using platform::TRect;

namespace {

// The bitmap is shown by nearest-neighbour sampling, whose kernel is 1 pixel wide; a
// changed area is widened by that width plus 1 pixel on every side before it is mapped.
constexpr std::int32_t SamplerWidth = 1;
constexpr std::int32_t ChangedAreaMargin = SamplerWidth + 1;

// The buffer extent along one axis for a client extent of `needed`: grow with slack when
// too small, shrink to fit when more than the slack too large, at least 1. Computed wide so
// that the slack cannot overflow.
std::int32_t BufferExtent(std::int32_t current, std::int32_t needed) {
    const std::int64_t wanted = std::max(needed, 0);
    std::int64_t extent = current;
    if (extent < wanted) {
        extent = wanted + TSurfaceView::BufferOversize;
    } else if (extent > wanted + TSurfaceView::BufferOversize) {
        extent = wanted;
    }
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(extent, 1, std::numeric_limits<std::int32_t>::max()));
}

} // namespace

TSurfaceView::TSurfaceView(platform::IPlatform& platform, std::int32_t width, std::int32_t height,
                           TMicrosecondClock clock)
    : platform_(platform), width_(std::max(width, 0)), height_(std::max(height, 0)),
      optimizer_(std::move(clock)) {
    bitmap_.SetOnResize([this](raster::TRasterSurface&) { BitmapResized(); });
    // The optimizer wants to know which area changed; without it any change repaints all.
    bitmap_.SetOnAreaChanged([this](raster::TRasterSurface&, const TRect& area, std::uint32_t) {
        if (OptimizerEnabled()) {
            BitmapAreaChanged(area);
        }
    });
    bitmap_.SetOnChange([this](raster::TRasterSurface&) {
        if (!OptimizerEnabled()) {
            BitmapChanged();
        }
    });
    ResizeBuffer();
}

TSurfaceView::~TSurfaceView() = default;

void TSurfaceView::SetClientSize(std::int32_t width, std::int32_t height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_) {
        return;
    }
    width_ = width;
    height_ = height;
    ResizeBuffer();
    DropPlacementCache();
    ForceFullRepaint();
}

void TSurfaceView::Paint(platform::IWindowCanvas& window, platform::PaintReason reason) {
    if (OptimizerPathApplies()) {
        if (optimizer_.PerformOptimization(invalidRects_) > 0) {
            PaintFromBuffer(window);
        } else if (reason == platform::PaintReason::prRequested) {
            // Nothing piecewise to do (or the optimizer gave up on pieces): repaint all.
            // A window paint does that below anyway.
            host_->Invalidate();
        }
    }
    // A posted request has nothing more to paint; the window system's own paint copies
    // the whole client area (or what the optimizer left in the list).
    if (reason == platform::PaintReason::prInvalidated) {
        PaintFromBuffer(window);
    }
}

void TSurfaceView::MouseDown(platform::MouseButton button, TPoint) {
    if (button == platform::MouseButton::mbLeft && host_ != nullptr) {
        host_->SetCapture();
    }
}

void TSurfaceView::MouseUp(platform::MouseButton button, TPoint) {
    if (button == platform::MouseButton::mbLeft && host_ != nullptr) {
        host_->ReleaseCapture();
    }
}

void TSurfaceView::SetBitmap(const raster::TRasterSurface& source) {
    DropPlacementCache();
    // A resize runs BitmapResized during the copy; the final notification BitmapAreaChanged.
    bitmap_.CopySurfaceFrom(&source);
}

void TSurfaceView::SetColor(platform::TColor color) {
    if (color == color_) {
        return;
    }
    color_ = color;
    ForceFullRepaint();
}

void TSurfaceView::SetFocusColor(platform::TColor color) {
    if (color == focusColor_) {
        return;
    }
    focusColor_ = color;
    if (focusMark_) {
        ForceFullRepaint();
    }
}

void TSurfaceView::SetFocusMark(bool shown) {
    if (shown == focusMark_) {
        return;
    }
    focusMark_ = shown;
    ForceFullRepaint();
}

void TSurfaceView::SetRepaintMode(TRepaintMode mode) {
    if (mode == repaintMode_) {
        return;
    }
    repaintMode_ = mode;
    ForceFullRepaint();
}

void TSurfaceView::Invalidate() {
    bufferValid_ = false;
    cacheValid_ = false;
    if (host_ == nullptr) {
        return;
    }
    if (OptimizerPathApplies()) {
        host_->PostPaintRequest();
    } else {
        host_->Invalidate();
    }
}

void TSurfaceView::EndUpdate() {
    assert(updateCount_ > 0 && "Unpaired EndUpdate call");
    --updateCount_;
}

bool TSurfaceView::OptimizerPathApplies() const {
    return OptimizerEnabled() && !forceFullRepaint_ && optimizer_.UpdatesPending() &&
           host_ != nullptr;
}

void TSurfaceView::ResizeBuffer() {
    const std::int32_t width = BufferExtent(buffer_.Width(), width_);
    const std::int32_t height = BufferExtent(buffer_.Height(), height_);
    if (width == buffer_.Width() && height == buffer_.Height()) {
        return;
    }
    {
        raster::TRasterSurface::TLockGuard lock(buffer_);
        buffer_.ResizeTo(width, height);
    }
    optimizer_.SetBufferSize(width, height);
    ForceFullRepaint();
}

void TSurfaceView::DropPlacementCache() {
    if (OptimizerEnabled() && cacheValid_) {
        optimizer_.Reset();
    }
    cacheValid_ = false;
}

void TSurfaceView::ForceFullRepaint() {
    if (OptimizerEnabled()) {
        optimizer_.Reset();
    }
    forceFullRepaint_ = true;
    Invalidate();
}

void TSurfaceView::BitmapResized() {
    if (updateCount_ == 0 && onBitmapResize_) {
        onBitmapResize_(*this);
    }
    DropPlacementCache();
    ForceFullRepaint();
}

void TSurfaceView::BitmapAreaChanged(const TRect& area) {
    const TRect widened = platform::Inflated(area, ChangedAreaMargin, ChangedAreaMargin);
    UpdatePlacementCache();
    const auto toClientX = [this](std::int32_t x) {
        return static_cast<std::int32_t>(static_cast<float>(x) * factorX_ + offsetX_);
    };
    const auto toClientY = [this](std::int32_t y) {
        return static_cast<std::int32_t>(static_cast<float>(y) * factorY_ + offsetY_);
    };
    optimizer_.AddArea({toClientX(widened.left), toClientY(widened.top), toClientX(widened.right),
                        toClientY(widened.bottom)});
    if (updateCount_ == 0) {
        Invalidate();
        if (onChange_) {
            onChange_(*this);
        }
    }
}

void TSurfaceView::BitmapChanged() {
    if (updateCount_ == 0) {
        Invalidate();
        if (onChange_) {
            onChange_(*this);
        }
    }
}

void TSurfaceView::UpdatePlacementCache() {
    if (cacheValid_) {
        return;
    }
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (!bitmap_.IsEmpty() && width_ > 0 && height_ > 0) {
        width = bitmap_.Width();
        height = bitmap_.Height();
    }
    placement_ = platform::SizeRect(width, height);
    if (bitmap_.IsEmpty()) {
        factorX_ = 1.0f;
        factorY_ = 1.0f;
    } else {
        factorX_ = static_cast<float>(placement_.Width()) / static_cast<float>(bitmap_.Width());
        factorY_ = static_cast<float>(placement_.Height()) / static_cast<float>(bitmap_.Height());
    }
    offsetX_ = static_cast<float>(placement_.left);
    offsetY_ = static_cast<float>(placement_.top);
    cacheValid_ = true;
}

void TSurfaceView::PaintFromBuffer(platform::IWindowCanvas& window) {
    if (host_ == nullptr) {
        return;
    }
    if (!bufferValid_) {
        ComposeBuffer();
    }
    {
        raster::TRasterSurface::TLockGuard lock(buffer_);
        const platform::TPixelBlock pixels = buffer_.PixelBlock();
        if (invalidRects_.empty()) {
            window.BlockCopy(pixels, ClientRect());
        }
        for (const TRect& rect : invalidRects_) {
            const TRect visible = platform::Intersection(rect, ClientRect());
            if (!visible.IsEmpty()) {
                window.BlockCopy(pixels, visible);
            }
        }
    }
    invalidRects_.clear();
    forceFullRepaint_ = false;
}

void TSurfaceView::ComposeBuffer() {
    if (OptimizerEnabled()) {
        optimizer_.BeginPaint();
    }
    UpdatePlacementCache();
    buffer_.StartUpdate();
    if (invalidRects_.empty()) {
        buffer_.SetClipRect(ClientRect());
        RunStages();
    } else {
        for (const TRect& rect : invalidRects_) {
            buffer_.SetClipRect(rect);
            RunStages();
        }
        buffer_.SetClipRect(ClientRect());
    }
    buffer_.EndUpdate();
    if (OptimizerEnabled()) {
        optimizer_.EndPaint(invalidRects_.size());
    }
    bufferValid_ = true;
}

// Runs the paint stages within the buffer's clip rectangle: the background, then the
// bitmap, then the focus mark. The background goes only where the opaque bitmap leaves the
// buffer uncovered: filling under the bitmap as well would give the same pixels at twice
// the cost.
void TSurfaceView::RunStages() {
    const raster::TPixel32 background = BackgroundPixel();
    const TRect extent = platform::SizeRect(buffer_.Width(), buffer_.Height());
    if (bitmap_.IsEmpty() || placement_.IsEmpty()) {
        buffer_.FillRectClipped(extent, background);
        DrawFocusMark();
        return;
    }
    // The bands above, below, left and right of the placement.
    const TRect& p = placement_;
    buffer_.FillRectClipped({extent.left, extent.top, extent.right, p.top}, background);
    buffer_.FillRectClipped({extent.left, p.bottom, extent.right, extent.bottom}, background);
    buffer_.FillRectClipped({extent.left, p.top, p.left, p.bottom}, background);
    buffer_.FillRectClipped({p.right, p.top, extent.right, p.bottom}, background);

    {
        raster::TRasterSurface::TLockGuard lock(bitmap_);
        buffer_.DrawOpaque(bitmap_, {p.left, p.top});
    }
    DrawFocusMark();
}

void TSurfaceView::DrawFocusMark() {
    const TRect r = ClientRect();
    if (!focusMark_ || r.IsEmpty()) {
        return;
    }
    const raster::TPixel32 dot =
        raster::ColorToPixel32(platform::ResolveColor(platform_, focusColor_));
    buffer_.DotRectClipped({r.left, r.top, r.right, r.top + 1}, dot);
    buffer_.DotRectClipped({r.left, r.bottom - 1, r.right, r.bottom}, dot);
    buffer_.DotRectClipped({r.left, r.top + 1, r.left + 1, r.bottom - 1}, dot);
    buffer_.DotRectClipped({r.right - 1, r.top + 1, r.right, r.bottom - 1}, dot);
}

raster::TPixel32 TSurfaceView::BackgroundPixel() const {
    return raster::ColorToPixel32(platform::ResolveColor(platform_, color_));
}

} // namespace controls
