// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pixel32.h"
#include "pixel_allocator.h"
#include "platform/geometry.h"
#include "platform/window_canvas.h"
#include "surface_canvas.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>

namespace raster {

// The area kind of a change notification that names a plain rectangle.
inline constexpr std::uint32_t AreaInfoRect = 0x80000000u;

// A rectangle of 32-bit pixels in memory with a canvas that draws into the same memory.
//
// Pixel (x, y) is Bits()[y * Width() + x]; rows run from the top down with no gap between
// them, so the memory is also a TPixelBlock. A surface with width or height 0 has no pixel
// memory and is empty. Every resize hands out fresh, zeroed memory (all black, alpha 0);
// pixels are never carried over.
//
// Events, each with the surface as sender: OnChange and OnAreaChanged on every change
// notification (NotifyChange), OnResize after a real resize, OnHandleChanged whenever the
// pixel memory has been replaced (pointers into the old memory are then invalid).
// Destruction notifies nobody.
class TRasterSurface {
public:
    using TNotifyEvent = std::function<void(TRasterSurface& sender)>;
    using TAreaChangedEvent = std::function<void(
        TRasterSurface& sender, const platform::TRect& area, std::uint32_t areaKind)>;

    // A 0 x 0 surface whose pixel memory comes from `allocator`, which must outlive it.
    explicit TRasterSurface(TPixelAllocator& allocator = TPixelAllocator::Default());
    TRasterSurface(std::int32_t width, std::int32_t height,
                   TPixelAllocator& allocator = TPixelAllocator::Default());
    ~TRasterSurface();
    TRasterSurface(const TRasterSurface&) = delete;
    TRasterSurface& operator=(const TRasterSurface&) = delete;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    // Each keeps the other dimension and runs ResizeTo.
    void SetWidth(std::int32_t width) { ResizeTo(width, height_); }
    void SetHeight(std::int32_t height) { ResizeTo(width_, height); }

    // Gives the surface a new size; a negative dimension counts as 0. The same size returns
    // false and changes nothing at all: no reallocation, no event, pixels and canvas kept.
    // Otherwise the canvas is deleted, the memory replaced by zeroed memory (none when a
    // dimension is 0), the clip rectangle reset to the whole surface, and OnHandleChanged,
    // the change notification and OnResize follow, in that order; returns true.
    // Throws EBackend "Can't allocate the DIB handle" when the memory cannot be had; the
    // surface is then 0 x 0 (OnHandleChanged has fired, nothing else).
    bool ResizeTo(std::int32_t width, std::int32_t height);

    bool IsEmpty() const { return bits_ == nullptr; }

    // The canvas, created on first use after each resize with its defaults (black pen,
    // white brush). The reference is valid until the next resize.
    TSurfaceCanvas& Canvas();

    // The pixel memory; nullptr when empty. Valid until the next resize.
    TPixel32* Bits() { return bits_; }
    const TPixel32* Bits() const { return bits_; }
    std::span<TPixel32> Pixels() { return {bits_, PixelCount()}; }
    std::span<const TPixel32> Pixels() const { return {bits_, PixelCount()}; }
    platform::TPixelBlock PixelBlock() const { return {bits_, width_, height_}; }

    // The rectangle that FillRectClipped and DrawOpaque keep to; always within the surface.
    const platform::TRect& ClipRect() const { return clipRect_; }
    void SetClipRect(const platform::TRect& rect);

    // Makes this surface a snapshot of `source` (nullptr gives 0 x 0): the same size and
    // all four bytes of every pixel. Reallocates only when the size differs. Notifies
    // change once, at the end, also when the copy fails (and then rethrows).
    void CopySurfaceFrom(const TRasterSurface* source);

    // While the update counter is above 0, change notifications reach nobody and are not
    // remembered; EndUpdate does not notify by itself.
    void StartUpdate() { ++updateCount_; }
    void EndUpdate();

    // Unless updating: OnAreaChanged with the whole surface and AreaInfoRect, then
    // OnChange.
    void NotifyChange();

    void SetOnChange(TNotifyEvent handler) { onChange_ = std::move(handler); }
    void SetOnAreaChanged(TAreaChangedEvent handler) { onAreaChanged_ = std::move(handler); }
    void SetOnResize(TNotifyEvent handler) { onResize_ = std::move(handler); }
    void SetOnHandleChanged(TNotifyEvent handler) { onHandleChanged_ = std::move(handler); }

    // The surface's re-entrant lock; LockCount counts the current holdings. The program
    // draws on one thread, so it never waits: the display control holds it while it
    // composes from a surface, and destruction takes it, so that a surface is never freed
    // or resized under a composition that is still reading it.
    void Lock();
    void Unlock();
    std::int32_t LockCount() const { return lockCount_; }

    // Holds the lock for its lifetime.
    class TLockGuard {
    public:
        explicit TLockGuard(TRasterSurface& surface) : surface_(surface) { surface_.Lock(); }
        ~TLockGuard() { surface_.Unlock(); }
        TLockGuard(const TLockGuard&) = delete;
        TLockGuard& operator=(const TLockGuard&) = delete;

    private:
        TRasterSurface& surface_;
    };

    // Sets the pixels of `area` within the clip rectangle to `value`, then notifies change.
    void FillRectClipped(const platform::TRect& area, TPixel32 value);

    // Sets the pixels of `area` within the clip rectangle whose x + y is even to `value`
    // (a dotted fill aligned to the surface's origin) and leaves the others, then notifies
    // change.
    void DotRectClipped(const platform::TRect& area, TPixel32 value);

    // Copies `source` with its top-left pixel at `destination`, all four bytes of every
    // pixel, within the clip rectangle; then notifies change. `source` must not be this
    // surface.
    void DrawOpaque(const TRasterSurface& source, platform::TPoint destination);

private:
    std::size_t PixelCount() const;
    void ReplaceMemory(std::int32_t width, std::int32_t height);
    void ReleaseMemory() noexcept;

    TPixelAllocator& allocator_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    TPixel32* bits_ = nullptr;
    platform::TRect clipRect_;
    std::int32_t updateCount_ = 0;
    std::recursive_mutex mutex_;
    std::int32_t lockCount_ = 0;
    std::unique_ptr<TSurfaceCanvas> canvas_;
    TNotifyEvent onChange_;
    TAreaChangedEvent onAreaChanged_;
    TNotifyEvent onResize_;
    TNotifyEvent onHandleChanged_;
};

} // namespace raster
