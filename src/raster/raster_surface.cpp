// SPDX-License-Identifier: GPL-3.0-or-later
#include "raster_surface.h"

#include "e_backend.h"
#include "rasterizer.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace raster {

using platform::TPoint;
using platform::TRect;

namespace {

// The most pixels whose byte count still fits a signed size.
constexpr std::size_t MaxPixelCount = PTRDIFF_MAX / sizeof(TPixel32);

} // namespace

TRasterSurface::TRasterSurface(TPixelAllocator& allocator) : allocator_(allocator) {}

TRasterSurface::TRasterSurface(std::int32_t width, std::int32_t height, TPixelAllocator& allocator)
    : allocator_(allocator) {
    ResizeTo(width, height);
}

TRasterSurface::~TRasterSurface() {
    Lock();
    canvas_.reset();
    ReleaseMemory();
    Unlock();
}

bool TRasterSurface::ResizeTo(std::int32_t width, std::int32_t height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_) {
        return false;
    }
    ReplaceMemory(width, height);
    NotifyChange();
    if (onResize_) {
        onResize_(*this);
    }
    return true;
}

TSurfaceCanvas& TRasterSurface::Canvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<TSurfaceCanvas>(*this);
    }
    return *canvas_;
}

void TRasterSurface::SetClipRect(const TRect& rect) {
    clipRect_ = platform::Intersection(rect, platform::SizeRect(width_, height_));
}

void TRasterSurface::CopySurfaceFrom(const TRasterSurface* source) {
    StartUpdate();
    try {
        if (source == nullptr) {
            ResizeTo(0, 0);
        } else if (source != this) {
            ResizeTo(source->width_, source->height_);
            if (!source->IsEmpty()) {
                std::memcpy(bits_, source->bits_, PixelCount() * sizeof(TPixel32));
            }
        }
    } catch (...) {
        EndUpdate();
        NotifyChange();
        throw;
    }
    EndUpdate();
    NotifyChange();
}

void TRasterSurface::EndUpdate() {
    assert(updateCount_ > 0 && "Unpaired TLockablePersistent.EndUpdate");
    --updateCount_;
}

void TRasterSurface::NotifyChange() {
    if (updateCount_ == 0 && onAreaChanged_) {
        onAreaChanged_(*this, platform::SizeRect(width_, height_), AreaInfoRect);
    }
    if (updateCount_ == 0 && onChange_) {
        onChange_(*this);
    }
}

void TRasterSurface::Lock() {
    mutex_.lock();
    ++lockCount_;
}

void TRasterSurface::Unlock() {
    assert(lockCount_ > 0);
    --lockCount_;
    mutex_.unlock();
}

void TRasterSurface::FillRectClipped(const TRect& area, TPixel32 value) {
    FillRectUnclipped({bits_, width_, height_}, platform::Intersection(area, clipRect_), value);
    NotifyChange();
}

void TRasterSurface::DotRectClipped(const TRect& area, TPixel32 value) {
    const TRect r = platform::Intersection(area, clipRect_);
    if (!r.IsEmpty()) {
        const auto stride = static_cast<std::size_t>(width_);
        for (std::int32_t y = r.top; y < r.bottom; ++y) {
            TPixel32* const row = bits_ + static_cast<std::size_t>(y) * stride;
            // The first x of the row with x + y even; both are at least 0.
            for (std::int32_t x = r.left + ((r.left + y) & 1); x < r.right; x += 2) {
                row[x] = value;
            }
        }
    }
    NotifyChange();
}

void TRasterSurface::DrawOpaque(const TRasterSurface& source, TPoint destination) {
    assert(&source != this);
    const TRect r = platform::Intersection(PlacedRect(destination, source.width_, source.height_),
                                           clipRect_);
    if (!r.IsEmpty() && !source.IsEmpty()) {
        const auto stride = static_cast<std::size_t>(width_);
        const auto sourceStride = static_cast<std::size_t>(source.width_);
        const auto rowBytes = static_cast<std::size_t>(r.Width()) * sizeof(TPixel32);
        for (std::int32_t y = r.top; y < r.bottom; ++y) {
            const TPixel32* from = source.bits_ +
                                   static_cast<std::size_t>(y - destination.y) * sourceStride +
                                   static_cast<std::size_t>(r.left - destination.x);
            TPixel32* to =
                bits_ + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(r.left);
            std::memcpy(to, from, rowBytes);
        }
    }
    NotifyChange();
}

std::size_t TRasterSurface::PixelCount() const {
    return bits_ == nullptr ? 0
                            : static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
}

void TRasterSurface::ReplaceMemory(std::int32_t width, std::int32_t height) {
    // The canvas draws into the old memory; its pen and brush go with it.
    canvas_.reset();
    ReleaseMemory();
    width_ = 0;
    height_ = 0;

    bool failed = false;
    if (width > 0 && height > 0) {
        const std::size_t count =
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        bits_ = count <= MaxPixelCount ? allocator_.Allocate(count) : nullptr;
        failed = bits_ == nullptr;
    }
    if (!failed) {
        width_ = width;
        height_ = height;
    }
    clipRect_ = platform::SizeRect(width_, height_);
    if (onHandleChanged_) {
        onHandleChanged_(*this);
    }
    if (failed) {
        throw EBackend("Can't allocate the DIB handle");
    }
}

void TRasterSurface::ReleaseMemory() noexcept {
    if (bits_ != nullptr) {
        allocator_.Release(bits_);
        bits_ = nullptr;
    }
}

} // namespace raster
