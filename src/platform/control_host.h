// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "geometry.h"

namespace platform {

// The window that hosts a custom control: what the control may ask of the windowing
// system. Every call comes from the user-interface thread.
class IControlHost {
public:
    virtual ~IControlHost() = default;

    // Marks the whole client area as needing paint, without erasing it; the message loop
    // later delivers a paint with PaintReason::prInvalidated.
    virtual void Invalidate() = 0;

    // Queues a paint request behind the messages already waiting; it is delivered as a
    // paint with PaintReason::prRequested when the message loop next takes a message.
    virtual void PostPaintRequest() = 0;

    // Mouse capture: while captured, every mouse event goes to this control wherever the
    // pointer is. Controls capture on a left press and release on the release.
    virtual void SetCapture() = 0;
    virtual void ReleaseCapture() = 0;
    virtual bool HasCapture() const = 0;

    // The pointer's current screen position mapped to the control's client coordinates
    // (may lie outside the client area).
    virtual TPoint PointerPosition() const = 0;
};

} // namespace platform
