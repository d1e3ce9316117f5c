// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/color.h"
#include "platform/custom_control.h"
#include "platform/platform.h"
#include "raster/raster_surface.h"
#include "tile_repaint_optimizer.h"

#include <cstdint>
#include <functional>

namespace controls {

enum class TRepaintMode : std::uint8_t {
    rmFull,      // every change recomposes and copies the whole client area
    rmOptimizer, // only the tiles that changed are recomposed and copied
};

// A custom control that shows a copy of a surface, top-left aligned at its own size, on
// its background colour.
//
// It composes what it shows in a back buffer (background first, then the bitmap) that
// survives between paints and is at least as large as the client area, and copies from
// it to the window. In rmOptimizer mode a tile optimizer tracks what changed, the control
// posts itself a paint request after each change, and only the changed parts are
// recomposed and copied. A bitmap smaller than the client area leaves the rest in the
// background colour; a larger one is cut off at the client area. The focus mark is a dotted
// frame in the focus colour on every other pixel of the client area's outermost ring, over
// the picture.
//
// The control acts on no key.
class TSurfaceView : public platform::ICustomControl {
public:
    // The buffer grows with this much slack beyond the client area, so that resizes rarely
    // reallocate.
    static constexpr std::int32_t BufferOversize = 40;

    using TNotifyEvent = std::function<void(TSurfaceView& sender)>;

    // A control of the given client size with an empty bitmap, a black background and
    // repaint mode rmFull. `platform` must outlive it; `clock` times the compositions for
    // the optimizer's adaptive mode.
    explicit TSurfaceView(platform::IPlatform& platform, std::int32_t width = 0,
                          std::int32_t height = 0,
                          TMicrosecondClock clock = SteadyMicrosecondClock());
    ~TSurfaceView() override;
    TSurfaceView(const TSurfaceView&) = delete;
    TSurfaceView& operator=(const TSurfaceView&) = delete;

    void SetHost(platform::IControlHost* host) override { host_ = host; }
    void SetClientSize(std::int32_t width, std::int32_t height) override;
    void Paint(platform::IWindowCanvas& window, platform::PaintReason reason) override;
    // A left press captures the mouse until its release; nothing else happens. The
    // context menu is the host's business.
    void MouseDown(platform::MouseButton button, platform::TPoint point) override;
    void MouseMove(platform::TPoint) override {}
    void MouseUp(platform::MouseButton button, platform::TPoint point) override;
    void MouseLeave() override {}
    bool MouseWheel(std::int32_t, platform::TPoint) override { return false; }
    bool KeyDown(platform::NavigationKey) override { return false; }
    void SetFocusMark(bool shown) override;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }

    // The control's own copy of the picture.
    const raster::TRasterSurface& Bitmap() const { return bitmap_; }

    // Makes Bitmap a copy of `source` (size and pixels) and schedules the repaint. The
    // control keeps no reference to `source`; drawing on it later shows nothing until the
    // next hand-over. May throw EBackend when the bitmap cannot be resized.
    void SetBitmap(const raster::TRasterSurface& source);

    // The background colour; a system colour is resolved whenever the control composes.
    void SetColor(platform::TColor color);
    // The focus mark's colour, resolved as the background's; silver by default.
    void SetFocusColor(platform::TColor color);

    void SetRepaintMode(TRepaintMode mode);

    // While the control's update counter is above 0, bitmap changes neither invalidate
    // nor fire OnChange, and bitmap resizes do not fire OnBitmapResize.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

    void SetOnChange(TNotifyEvent handler) { onChange_ = std::move(handler); }
    void SetOnBitmapResize(TNotifyEvent handler) { onBitmapResize_ = std::move(handler); }

    // For inspection: the back buffer's size and alpha bytes and the optimizer's grid and
    // level show nowhere on screen.
    const raster::TRasterSurface& Buffer() const { return buffer_; }
    const TTileRepaintOptimizer& RepaintOptimizer() const { return optimizer_; }

private:
    // Marks the back buffer for recomposition and asks for a repaint: a posted paint
    // request when the optimizer has the changes, otherwise the whole client area.
    void Invalidate();

    bool OptimizerEnabled() const { return repaintMode_ == TRepaintMode::rmOptimizer; }
    bool OptimizerPathApplies() const;
    platform::TRect ClientRect() const { return platform::SizeRect(width_, height_); }

    void ResizeBuffer();
    void DropPlacementCache();
    void ForceFullRepaint();
    void BitmapResized();
    void BitmapAreaChanged(const platform::TRect& area);
    void BitmapChanged();
    void UpdatePlacementCache();
    void PaintFromBuffer(platform::IWindowCanvas& window);
    void ComposeBuffer();
    void RunStages();
    void DrawFocusMark();
    raster::TPixel32 BackgroundPixel() const;

    platform::IPlatform& platform_;
    platform::IControlHost* host_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    platform::TColor color_ = platform::RGB(0, 0, 0);
    platform::TColor focusColor_ = platform::RGB(192, 192, 192);
    bool focusMark_ = false;
    TRepaintMode repaintMode_ = TRepaintMode::rmFull;
    std::int32_t updateCount_ = 0;

    raster::TRasterSurface bitmap_;
    raster::TRasterSurface buffer_;
    bool bufferValid_ = false;
    bool forceFullRepaint_ = true;
    TRectList invalidRects_; // client coordinates
    TTileRepaintOptimizer optimizer_;

    // Where the bitmap lies in the client area, and the mapping from bitmap to client
    // coordinates: client = bitmap * factor + offset (single precision).
    bool cacheValid_ = false;
    platform::TRect placement_;
    float factorX_ = 1.0f;
    float factorY_ = 1.0f;
    float offsetX_ = 0.0f;
    float offsetY_ = 0.0f;

    TNotifyEvent onChange_;
    TNotifyEvent onBitmapResize_;
};

} // namespace controls
