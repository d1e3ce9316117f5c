// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gauge_painter.h"
#include "platform/color.h"
#include "platform/custom_control.h"
#include "platform/geometry.h"
#include "platform/platform.h"
#include "platform/timer.h"
#include "raster/raster_surface.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace controls {

// The parts of a gauge, in their order along it.
enum class TGaugeZone : std::uint8_t {
    gzNone = 0,
    gzPrevButton = 1,
    gzPrevTrack = 2,
    gzHandle = 3,
    gzNextTrack = 4,
    gzNextButton = 5,
};

// How the track is filled: a checkerboard of HighLightColor and Color, or Color alone.
enum class TGaugeBackground : std::uint8_t { bgPattern, bgSolid };

// What the repeat timer is doing.
enum class TRepeatMode : std::uint8_t {
    rpFirstDelay = 1, // the delay before a held button or track part starts repeating
    rpRepeating = 2,  // stepping on every tick while held
    rpHoverWatch = 3, // checking on every tick whether the pointer has left the control
};

// A horizontal slider: an arrow button at each end, a track between them and a handle
// whose place on the track shows an integer Position within Min..Max. It is drawn flat, has
// no border of its own and paints every pixel of its client area.
//
// Input: a left press on an arrow button steps by SmallChange at once, again after 600 ms
// and then every 100 ms while held; a press on the track pages by LargeChange towards the
// pointer at the same times; the handle follows a drag relative to the press point. The
// wheel moves by SmallChange per notch. Every real change of Position is reported through
// OnChange, and then through OnUserChange when a press or a drag caused it.
//
// Keys, while the host gives the control the keyboard focus: Left and Down step down by
// SmallChange as the previous button does, Right and Up step up as the next button does,
// Page Down and Page Up page by LargeChange as a press on the track does, and Home and End
// go to Min and Max as a drag to either end does; each is a change by the user. A window
// that hands the wheel only to the control with the focus never forwards wheel events to
// a gauge (the main window's gauges ignore the wheel); MouseWheel serves hosts that do.
//
// With its focus mark shown, the handle's face carries a dotted frame in BorderColor on
// every other pixel of its outermost ring; all other pixels are as without the mark.
//
// Timers, the mouse capture, the pointer and system colours come from the platform; the
// control paints into a surface of its own the size of its client area and copies that
// to the window. A disabled control ignores mouse input and shows no handle.
class TGaugeSlider : public platform::ICustomControl {
public:
    using TNotifyEvent = std::function<void(TGaugeSlider& sender)>;

    static constexpr std::int32_t DefaultWidth = 100;
    static constexpr std::int32_t DefaultHeight = 16;
    // Button sizes are chosen automatically up to this many pixels.
    static constexpr std::int32_t MaxAutoButtonSize = 32;

    static constexpr std::chrono::milliseconds FirstRepeatDelay{600};
    static constexpr std::chrono::milliseconds RepeatInterval{100};
    static constexpr std::chrono::milliseconds HoverWatchInterval{150};

    // A gauge of 100 x 16 pixels over 0..100 at 0, steps of 1, automatic button size and a
    // handle as thick as the control, arrows and grip shown, patterned background and
    // system colours. Creates its repeat timer through `platform`, which must outlive it.
    explicit TGaugeSlider(platform::IPlatform& platform);
    ~TGaugeSlider() override;
    TGaugeSlider(const TGaugeSlider&) = delete;
    TGaugeSlider& operator=(const TGaugeSlider&) = delete;

    // The windowing system's side.
    void SetHost(platform::IControlHost* host) override { host_ = host; }
    // May throw EBackend when the control's surface cannot be resized.
    void SetClientSize(std::int32_t width, std::int32_t height) override;
    void Paint(platform::IWindowCanvas& window, platform::PaintReason reason) override;
    // A left press captures the mouse (the release frees it) and starts the press; the
    // other buttons change nothing. A release of any button ends the press.
    void MouseDown(platform::MouseButton button, platform::TPoint point) override;
    void MouseMove(platform::TPoint point) override;
    void MouseUp(platform::MouseButton button, platform::TPoint point) override;
    // Ends the hover watch; a repeat in progress goes on.
    void MouseLeave() override;
    // Moves by (SmallChange * delta) div 120, truncating toward zero; returns true unless
    // the control is disabled.
    bool MouseWheel(std::int32_t delta, platform::TPoint point) override;
    // Moves as described above; returns true unless the control is disabled.
    bool KeyDown(platform::NavigationKey key) override;
    void SetFocusMark(bool shown) override;

    // The range always has Min < Max and Position within it. Values out of range are
    // corrected, never rejected: Position is clamped into Min..Max; a Max not above Min
    // becomes Min + 1 and a Min not below Max becomes Max - 1, and Position follows the
    // new range. A setter that changes Position calls OnChange (and OnUserChange for a
    // change by the mouse) before it returns; setting the value it already has, or one
    // that clamps to it, notifies nobody. A handler may throw; the error goes on to the
    // caller with the new value already stored.
    std::int32_t Min() const { return min_; }
    void SetMin(std::int32_t value);
    std::int32_t Max() const { return max_; }
    void SetMax(std::int32_t value);
    std::int32_t Position() const { return position_; }
    void SetPosition(std::int32_t value);

    // Step sizes of the arrow buttons (and the wheel) and of the track; at least 1.
    std::int32_t SmallChange() const { return smallChange_; }
    void SetSmallChange(std::int32_t value);
    std::int32_t LargeChange() const { return largeChange_; }
    void SetLargeChange(std::int32_t value);

    // Appearance; each setter repaints when the value changes. SetHandleSize takes the
    // handle's length in pixels, at least 0, where 0 makes it as long as the control is
    // high; SetButtonSize the arrow buttons' length in pixels, where 0 chooses it from the
    // height.
    void SetHandleSize(std::int32_t value);
    void SetButtonSize(std::int32_t value);
    void SetShowArrows(bool value);
    void SetShowHandleGrip(bool value);
    void SetBackgnd(TGaugeBackground value);

    // Colours, 0x00BBGGRR or system colours (resolved whenever the control paints).
    void SetColor(platform::TColor value); // the track
    void SetHandleColor(platform::TColor value);
    void SetButtonColor(platform::TColor value);
    void SetHighLightColor(platform::TColor value);
    void SetShadowColor(platform::TColor value);
    void SetBorderColor(platform::TColor value);

    // Disabling ends a press in progress (the capture is released and the repeat timer
    // stops) and repaints.
    void SetEnabled(bool value);

    void SetOnChange(TNotifyEvent handler) { onChange_ = std::move(handler); }
    void SetOnUserChange(TNotifyEvent handler) { onUserChange_ = std::move(handler); }

    // Geometry, in client pixels. ButtonExtent is the length of each arrow button (0
    // without arrows or when the control is too small for them); TrackRect lies between
    // the buttons; HandleExtent is the handle's length and HandleRect its place for the
    // current Position, rounded to the nearest pixel with ties to even.
    std::int32_t ButtonExtent() const;
    platform::TRect TrackRect() const;
    std::int32_t HandleExtent() const;
    platform::TRect HandleRect() const;
    // The rectangle of a zone. When the control is disabled or the handle is empty, the
    // track is split at its middle instead and the handle part is empty; gzNone is empty.
    platform::TRect ZoneRect(TGaugeZone zone) const;
    // The zone under a client point; gzNone outside the client area and on the track's
    // outermost pixels when there are no arrow buttons.
    TGaugeZone ZoneAt(platform::TPoint point) const;

    // The inner state of the mouse handling, which shows nowhere on screen: the zone under
    // a captured pointer, and the repeat timer with its mode.
    TGaugeZone HoverZone() const { return hoverZone_; }
    TRepeatMode RepeatMode() const { return repeatMode_; }
    const platform::ITimer& RepeatTimer() const { return *repeatTimer_; }

    // Paints the whole client area into `target`, which must be exactly the client area's
    // size; every pixel of it is written. Paint does this into the control's own surface.
    void PaintTo(raster::TRasterSurface& target) const;

private:
    class TUserChange;

    platform::TRect ClientRect() const { return platform::SizeRect(width_, height_); }
    void Repaint();
    bool HoldsCapture() const;
    bool PointerInClient() const;
    std::int32_t TrackLength() const;

    void NotifyPositionChange();
    // Moves Position by `amount`, clamped into the range.
    void MoveBy(std::int64_t amount);

    void StartHoverWatch();
    void StopHoverWatch();
    void TimerStep();
    void Drag(platform::TPoint point);
    void Release();

    void DrawButton(TGaugePainter& painter, platform::TRect r, TGaugeDirection direction,
                    TGaugeZone zone) const;
    void DrawTrackPart(TGaugePainter& painter, platform::TRect r, TGaugeDirection direction,
                       TGaugeZone zone) const;
    void DrawHandle(TGaugePainter& painter, platform::TRect r) const;

    platform::IPlatform& platform_;
    platform::IControlHost* host_ = nullptr;
    std::unique_ptr<platform::ITimer> repeatTimer_;
    raster::TRasterSurface surface_;
    std::int32_t width_ = DefaultWidth;
    std::int32_t height_ = DefaultHeight;

    std::int32_t min_ = 0;
    std::int32_t max_ = 100;
    std::int32_t position_ = 0;
    std::int32_t smallChange_ = 1;
    std::int32_t largeChange_ = 1;
    std::int32_t handleSize_ = 0;
    std::int32_t buttonSize_ = 0;
    bool showArrows_ = true;
    bool showHandleGrip_ = true;
    TGaugeBackground backgnd_ = TGaugeBackground::bgPattern;
    bool enabled_ = true;
    bool focusMark_ = false;

    platform::TColor color_ = platform::scScrollBar;
    platform::TColor handleColor_ = platform::scButtonShadow;
    platform::TColor buttonColor_ = platform::scButtonFace;
    platform::TColor highLightColor_ = platform::scButtonHighlight;
    platform::TColor shadowColor_ = platform::scButtonShadow;
    platform::TColor borderColor_ = platform::scWindowFrame;

    TGaugeZone pressZone_ = TGaugeZone::gzNone;
    TGaugeZone hoverZone_ = TGaugeZone::gzNone;
    platform::TPoint pressPoint_;
    TRepeatMode repeatMode_ = TRepeatMode::rpRepeating;
    // True only while a change caused by the mouse is being applied.
    bool changeByUser_ = false;
    // Position at the press on the handle; drags move relative to it.
    float dragStartPosition_ = 0.0f;

    TNotifyEvent onChange_;
    TNotifyEvent onUserChange_;
};

} // namespace controls
