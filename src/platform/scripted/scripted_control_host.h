// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/control_host.h"
#include "platform/custom_control.h"
#include "platform/geometry.h"

#include <cstdint>
#include <span>
#include <vector>

namespace platform::scripted {

class TScriptedPlatform;

// A screen pixel no paint has reached. Painted screen pixels hold only colour bytes
// (0x00RRGGBB), so this value never results from painting.
inline constexpr std::uint32_t UnpaintedPixel = 0xFFFF00FFu;

// A window of the scripted platform showing one custom control. It keeps the screen
// pixels of its client area, which the control's paints write, and forwards the input the
// script gives it. Create it after the control and destroy it before.
class TScriptedControlHost : public IControlHost {
public:
    // Places the window's client area at `bounds` (screen coordinates), attaches the
    // control, gives it the client size and marks the window as needing paint, as a newly
    // shown window does. The screen starts as UnpaintedPixel everywhere.
    TScriptedControlHost(TScriptedPlatform& platform, ICustomControl& control, const TRect& bounds);
    ~TScriptedControlHost() override;
    TScriptedControlHost(const TScriptedControlHost&) = delete;
    TScriptedControlHost& operator=(const TScriptedControlHost&) = delete;

    void Invalidate() override { needsPaint_ = true; }
    void PostPaintRequest() override;
    void SetCapture() override;
    void ReleaseCapture() override;
    bool HasCapture() const override;
    TPoint PointerPosition() const override;

    // Input: each moves the platform's pointer to `point` (client coordinates) first.
    void MouseDown(MouseButton button, TPoint point);
    void MouseMove(TPoint point);
    void MouseUp(MouseButton button, TPoint point);
    void MouseLeave();
    bool MouseWheel(std::int32_t delta, TPoint point);

    bool NeedsPaint() const { return needsPaint_; }
    int PaintCount() const { return paintCount_; }
    // The areas the control asked to copy during the last paint, in call order.
    const std::vector<TRect>& LastPaintCopies() const { return lastPaintCopies_; }

    std::int32_t ClientWidth() const { return bounds_.Width(); }
    std::int32_t ClientHeight() const { return bounds_.Height(); }
    std::span<const std::uint32_t> Screen() const { return screen_; }
    std::uint32_t ScreenPixel(std::int32_t x, std::int32_t y) const;

private:
    friend class TScriptedPlatform;
    class TScreenCanvas;

    void DeliverPaint(PaintReason reason);

    TScriptedPlatform& platform_;
    ICustomControl& control_;
    TRect bounds_;
    std::vector<std::uint32_t> screen_;
    bool needsPaint_ = true;
    int paintCount_ = 0;
    std::vector<TRect> lastPaintCopies_;
};

} // namespace platform::scripted
