// SPDX-License-Identifier: GPL-3.0-or-later
#include "scripted_control_host.h"

#include "scripted_platform.h"

#include <algorithm>
#include <cassert>
#include <cstddef>

namespace platform::scripted {

namespace {

constexpr std::uint32_t ColourBytes = 0x00FFFFFFu;

// `bounds` with a negative width or height taken as 0.
TRect WithoutNegativeSize(const TRect& bounds) {
    return {bounds.left, bounds.top, bounds.left + std::max(bounds.Width(), 0),
            bounds.top + std::max(bounds.Height(), 0)};
}

} // namespace

// The canvas a paint writes the host's screen through; it logs every requested area.
class TScriptedControlHost::TScreenCanvas : public IWindowCanvas {
public:
    explicit TScreenCanvas(TScriptedControlHost& host) : host_(host) {}

    void BlockCopy(const TPixelBlock& source, const TRect& area) override {
        host_.lastPaintCopies_.push_back(area);
        const TRect clipped =
            Intersection(Intersection(area, SizeRect(host_.ClientWidth(), host_.ClientHeight())),
                         SizeRect(source.width, source.height));
        if (clipped.IsEmpty()) {
            return;
        }
        const auto screenStride = static_cast<std::size_t>(host_.ClientWidth());
        const auto sourceStride = static_cast<std::size_t>(source.width);
        for (std::int32_t y = clipped.top; y < clipped.bottom; ++y) {
            const std::uint32_t* from = source.pixels + y * sourceStride + clipped.left;
            std::uint32_t* to = host_.screen_.data() + y * screenStride + clipped.left;
            std::transform(from, from + clipped.Width(), to,
                           [](std::uint32_t pixel) { return pixel & ColourBytes; });
        }
    }

private:
    TScriptedControlHost& host_;
};

TScriptedControlHost::TScriptedControlHost(TScriptedPlatform& platform, ICustomControl& control,
                                           const TRect& bounds)
    : platform_(platform), control_(control), bounds_(WithoutNegativeSize(bounds)),
      screen_(static_cast<std::size_t>(ClientWidth()) * static_cast<std::size_t>(ClientHeight()),
              UnpaintedPixel) {
    platform_.hosts_.push_back(this);
    control_.SetHost(this);
    control_.SetClientSize(ClientWidth(), ClientHeight());
}

TScriptedControlHost::~TScriptedControlHost() {
    control_.SetHost(nullptr);
    if (platform_.capture_ == this) {
        platform_.capture_ = nullptr;
    }
    platform_.RemovePosted(this);
    std::erase(platform_.hosts_, this);
}

void TScriptedControlHost::PostPaintRequest() {
    platform_.Post(this, [this] { DeliverPaint(PaintReason::prRequested); });
}

void TScriptedControlHost::SetCapture() {
    platform_.capture_ = this;
}

void TScriptedControlHost::ReleaseCapture() {
    if (platform_.capture_ == this) {
        platform_.capture_ = nullptr;
    }
}

bool TScriptedControlHost::HasCapture() const {
    return platform_.capture_ == this;
}

TPoint TScriptedControlHost::PointerPosition() const {
    const TPoint screen = platform_.Pointer();
    return {screen.x - bounds_.left, screen.y - bounds_.top};
}

void TScriptedControlHost::MouseDown(MouseButton button, TPoint point) {
    platform_.SetPointer({bounds_.left + point.x, bounds_.top + point.y});
    control_.MouseDown(button, point);
}

void TScriptedControlHost::MouseMove(TPoint point) {
    platform_.SetPointer({bounds_.left + point.x, bounds_.top + point.y});
    control_.MouseMove(point);
}

void TScriptedControlHost::MouseUp(MouseButton button, TPoint point) {
    platform_.SetPointer({bounds_.left + point.x, bounds_.top + point.y});
    control_.MouseUp(button, point);
}

void TScriptedControlHost::MouseLeave() {
    control_.MouseLeave();
}

bool TScriptedControlHost::MouseWheel(std::int32_t delta, TPoint point) {
    platform_.SetPointer({bounds_.left + point.x, bounds_.top + point.y});
    return control_.MouseWheel(delta, point);
}

std::uint32_t TScriptedControlHost::ScreenPixel(std::int32_t x, std::int32_t y) const {
    assert(x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight());
    return screen_[static_cast<std::size_t>(y) * static_cast<std::size_t>(ClientWidth()) +
                   static_cast<std::size_t>(x)];
}

void TScriptedControlHost::DeliverPaint(PaintReason reason) {
    // Like the real window system, a paint validates the window before the control runs.
    if (reason == PaintReason::prInvalidated) {
        needsPaint_ = false;
    }
    ++paintCount_;
    lastPaintCopies_.clear();
    TScreenCanvas canvas(*this);
    control_.Paint(canvas, reason);
}

} // namespace platform::scripted
