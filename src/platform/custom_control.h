// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "control_host.h"
#include "geometry.h"
#include "window_canvas.h"

#include <cstdint>

namespace platform {

enum class MouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

// Why a control is asked to paint.
enum class PaintReason : std::uint8_t {
    prInvalidated, // the window system found (part of) the client area needing paint
    prRequested,   // the control's own posted paint request (IControlHost::PostPaintRequest)
};

// The keys a control may act on while it holds the keyboard focus. Tab and Shift+Tab stay
// with the window, which moves the focus with them.
enum class NavigationKey : std::uint8_t {
    nkLeft,
    nkRight,
    nkUp,
    nkDown,
    nkPageUp,
    nkPageDown,
    nkHome,
    nkEnd,
};

// A control that paints every pixel of its client area itself. Its host window forwards
// the window's events to it: a toolkit widget calls Paint from its paint event (and for a
// posted request), the mouse handlers from its mouse events, MouseLeave when the pointer
// leaves, MouseWheel from its wheel event and KeyDown from its key presses; it never erases
// the background itself. All points are client coordinates in pixels.
class ICustomControl {
public:
    virtual ~ICustomControl() = default;

    // Attaches the control to its window, or detaches it (nullptr). A host attaches itself
    // when it is created and detaches before it is destroyed; the control must outlive
    // the attachment. Without a host the control keeps its state but paints nothing.
    virtual void SetHost(IControlHost* host) = 0;

    // The client area has the given size (pixels, negative values count as 0).
    virtual void SetClientSize(std::int32_t width, std::int32_t height) = 0;

    // Paints the client area, or the parts of it the control knows to have changed,
    // through `window`.
    virtual void Paint(IWindowCanvas& window, PaintReason reason) = 0;

    virtual void MouseDown(MouseButton button, TPoint point) = 0;
    virtual void MouseMove(TPoint point) = 0;
    virtual void MouseUp(MouseButton button, TPoint point) = 0;
    virtual void MouseLeave() = 0;

    // `delta` is in wheel units, 120 per notch, positive when the wheel turns away from
    // the user. Returns whether the control handled the event.
    virtual bool MouseWheel(std::int32_t delta, TPoint point) = 0;

    // A key pressed (or repeated) while the control holds the keyboard focus. Returns whether
    // the control acted on it; a key it leaves goes on to the window.
    virtual bool KeyDown(NavigationKey key) = 0;

    // Shows or hides the control's focus mark. The host shows it while the control holds
    // the keyboard focus and the keyboard is in use, and hides it when the focus leaves or
    // the mouse is used. Hidden, the control paints exactly as it does without the focus.
    virtual void SetFocusMark(bool shown) = 0;
};

} // namespace platform
