// SPDX-License-Identifier: GPL-3.0-or-later
#include "gauge_slider.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace controls {

using platform::MouseButton;
using platform::TColor;
using platform::TPoint;
using platform::TRect;

namespace {

// One notch of the wheel.
constexpr std::int32_t WheelDelta = 120;

// The flat look draws its buttons one pixel shorter than the automatic size.
constexpr std::int32_t FlatButtonReduction = 1;
// Narrower buttons are not drawn at all.
constexpr std::int32_t MinButtonExtent = 2;

// The handle's bevel colours lie this far above and below HandleColor.
constexpr std::int32_t HandleShadeShift = 24;
// Weights of the blends (0..255, the first colour's share).
constexpr std::int32_t TrackLineInnerWeight = 127;
constexpr std::int32_t TrackLineWeight = 32;
constexpr std::int32_t HandleShadowWeight = 96;

// The grip bars are 2 pixels wide, their left edges at these offsets from the middle of
// the handle's face; the outer two only on a face at least MinFaceForOuterBars wide.
struct TGripBar {
    std::int32_t offset;
    bool outer;
};
constexpr std::int32_t GripBarWidth = 2;
constexpr TGripBar GripBars[] = {{-5, true}, {-2, false}, {1, false}, {4, true}};
constexpr std::int32_t MinFaceForOuterBars = 11;

bool Contains(const TRect& r, TPoint p) {
    return r.left <= p.x && p.x < r.right && r.top <= p.y && p.y < r.bottom;
}

TRect Moved(const TRect& r, std::int32_t dx, std::int32_t dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// Stores `value` and reports whether it changed anything.
template <typename T>
bool Store(T& field, T value) {
    if (field == value) {
        return false;
    }
    field = value;
    return true;
}

} // namespace

// Marks a change as caused by the mouse for as long as it lives, also when the change
// throws.
class TGaugeSlider::TUserChange {
public:
    explicit TUserChange(bool& flag) : flag_(flag) { flag_ = true; }
    ~TUserChange() { flag_ = false; }
    TUserChange(const TUserChange&) = delete;
    TUserChange& operator=(const TUserChange&) = delete;

private:
    bool& flag_;
};

TGaugeSlider::TGaugeSlider(platform::IPlatform& platform)
    : platform_(platform), repeatTimer_(platform.CreateTimer()) {
    repeatTimer_->SetOnTimer([this] { TimerStep(); });
    surface_.ResizeTo(width_, height_);
}

TGaugeSlider::~TGaugeSlider() = default;

void TGaugeSlider::SetClientSize(std::int32_t width, std::int32_t height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_) {
        return;
    }
    width_ = width;
    height_ = height;
    Repaint();
    surface_.ResizeTo(width_, height_);
}

void TGaugeSlider::Paint(platform::IWindowCanvas& window, platform::PaintReason) {
    if (host_ == nullptr) {
        return;
    }
    // Normally sized already; this catches a resize whose allocation failed before.
    surface_.ResizeTo(width_, height_);
    PaintTo(surface_);
    window.BlockCopy(surface_.PixelBlock(), ClientRect());
}

void TGaugeSlider::MouseDown(MouseButton button, TPoint point) {
    if (!enabled_ || button != MouseButton::mbLeft) {
        return;
    }
    if (host_ != nullptr) {
        host_->SetCapture();
    }
    pressZone_ = ZoneAt(point);
    Repaint();
    pressPoint_ = point;

    // The first step happens at once; the timer then waits for the first delay.
    repeatTimer_->SetInterval(FirstRepeatDelay);
    repeatMode_ = TRepeatMode::rpRepeating;
    TimerStep();
    repeatMode_ = TRepeatMode::rpFirstDelay;
    repeatTimer_->Enable();

    // A held handle does not repeat; it only follows the pointer.
    if (pressZone_ == TGaugeZone::gzHandle) {
        StartHoverWatch();
        dragStartPosition_ = static_cast<float>(position_);
    }
}

void TGaugeSlider::MouseMove(TPoint point) {
    if (!enabled_ || !HoldsCapture()) {
        return;
    }
    if (pressZone_ == TGaugeZone::gzNone) {
        const TGaugeZone zone = ZoneAt(point);
        if (zone != hoverZone_) {
            hoverZone_ = zone;
            if (zone != TGaugeZone::gzNone) {
                StartHoverWatch();
            }
            Repaint();
        }
    } else if (pressZone_ == TGaugeZone::gzHandle) {
        Drag(point);
    }
}

void TGaugeSlider::MouseUp(MouseButton button, TPoint) {
    if (!enabled_) {
        return;
    }
    if (button == MouseButton::mbLeft && host_ != nullptr) {
        host_->ReleaseCapture();
    }
    Release();
}

void TGaugeSlider::MouseLeave() {
    // A held button or track part keeps repeating wherever the pointer goes; only the
    // hover watch ends here.
    if (repeatMode_ == TRepeatMode::rpHoverWatch) {
        StopHoverWatch();
    } else {
        hoverZone_ = TGaugeZone::gzNone;
        Repaint();
    }
}

bool TGaugeSlider::MouseWheel(std::int32_t delta, TPoint) {
    if (!enabled_) {
        return false;
    }
    // 64 bits hold the product; the division truncates toward zero.
    MoveBy(std::int64_t{smallChange_} * delta / WheelDelta);
    return true;
}

bool TGaugeSlider::KeyDown(platform::NavigationKey key) {
    using platform::NavigationKey;
    if (!enabled_) {
        return false;
    }
    // The steps of the buttons, the track and a drag to either end.
    TUserChange userChange(changeByUser_);
    switch (key) {
    case NavigationKey::nkLeft:
    case NavigationKey::nkDown:
        MoveBy(-std::int64_t{smallChange_});
        break;
    case NavigationKey::nkRight:
    case NavigationKey::nkUp:
        MoveBy(smallChange_);
        break;
    case NavigationKey::nkPageDown:
        MoveBy(-std::int64_t{largeChange_});
        break;
    case NavigationKey::nkPageUp:
        MoveBy(largeChange_);
        break;
    case NavigationKey::nkHome:
        SetPosition(min_);
        break;
    case NavigationKey::nkEnd:
        SetPosition(max_);
        break;
    }
    return true;
}

void TGaugeSlider::SetFocusMark(bool shown) {
    if (Store(focusMark_, shown)) {
        Repaint();
    }
}

void TGaugeSlider::SetMin(std::int32_t value) {
    if (value >= max_) {
        value = max_ - 1;
    }
    if (value == min_) {
        return;
    }
    min_ = value;
    SetPosition(position_);
    Repaint();
}

void TGaugeSlider::SetMax(std::int32_t value) {
    if (value <= min_) {
        value = min_ + 1;
    }
    if (value == max_) {
        return;
    }
    max_ = value;
    SetPosition(position_);
    Repaint();
}

void TGaugeSlider::SetPosition(std::int32_t value) {
    value = std::clamp(value, min_, max_);
    if (value == position_) {
        return;
    }
    position_ = value;
    Repaint();
    NotifyPositionChange();
}

void TGaugeSlider::SetSmallChange(std::int32_t value) {
    smallChange_ = std::max(value, 1);
}

void TGaugeSlider::SetLargeChange(std::int32_t value) {
    largeChange_ = std::max(value, 1);
}

void TGaugeSlider::SetHandleSize(std::int32_t value) {
    if (Store(handleSize_, std::max(value, 0))) {
        Repaint();
    }
}

void TGaugeSlider::SetButtonSize(std::int32_t value) {
    if (Store(buttonSize_, value)) {
        Repaint();
    }
}

void TGaugeSlider::SetShowArrows(bool value) {
    if (Store(showArrows_, value)) {
        Repaint();
    }
}

void TGaugeSlider::SetShowHandleGrip(bool value) {
    if (Store(showHandleGrip_, value)) {
        Repaint();
    }
}

void TGaugeSlider::SetBackgnd(TGaugeBackground value) {
    if (Store(backgnd_, value)) {
        Repaint();
    }
}

void TGaugeSlider::SetColor(TColor value) {
    if (Store(color_, value)) {
        Repaint();
    }
}

void TGaugeSlider::SetHandleColor(TColor value) {
    if (Store(handleColor_, value)) {
        Repaint();
    }
}

void TGaugeSlider::SetButtonColor(TColor value) {
    if (Store(buttonColor_, value)) {
        Repaint();
    }
}

void TGaugeSlider::SetHighLightColor(TColor value) {
    if (Store(highLightColor_, value)) {
        Repaint();
    }
}

void TGaugeSlider::SetShadowColor(TColor value) {
    if (Store(shadowColor_, value)) {
        Repaint();
    }
}

void TGaugeSlider::SetBorderColor(TColor value) {
    if (Store(borderColor_, value)) {
        Repaint();
    }
}

void TGaugeSlider::SetEnabled(bool value) {
    if (!Store(enabled_, value)) {
        return;
    }
    if (!enabled_) {
        // A disabled window gets no more input, so the release would never come.
        if (HoldsCapture()) {
            host_->ReleaseCapture();
        }
        pressZone_ = TGaugeZone::gzNone;
        hoverZone_ = TGaugeZone::gzNone;
        repeatTimer_->Disable();
    }
    Repaint();
}

std::int32_t TGaugeSlider::ButtonExtent() const {
    if (!showArrows_) {
        return 0;
    }
    std::int64_t extent = buttonSize_ != 0 ? buttonSize_ : std::min(height_, MaxAutoButtonSize);
    if (2 * extent >= width_) {
        extent = width_ / 2;
    }
    extent -= FlatButtonReduction;
    return extent < MinButtonExtent ? 0 : static_cast<std::int32_t>(extent);
}

TRect TGaugeSlider::TrackRect() const {
    const std::int32_t extent = ButtonExtent();
    return {extent, 0, width_ - extent, height_};
}

std::int32_t TGaugeSlider::TrackLength() const {
    return width_ - 2 * ButtonExtent();
}

std::int32_t TGaugeSlider::HandleExtent() const {
    const std::int32_t length = TrackLength();
    std::int32_t extent = handleSize_ != 0 ? handleSize_ : height_;
    if (length - extent < 1) {
        extent = length - 1;
    }
    return std::max(extent, 0);
}

TRect TGaugeSlider::HandleRect() const {
    const TRect track = TrackRect();
    const std::int32_t extent = HandleExtent();
    // In extended precision: the share of the range first, then the pixels it spans.
    const long double share = static_cast<long double>(std::int64_t{position_} - min_) /
                              static_cast<long double>(std::int64_t{max_} - min_);
    const long double offset = static_cast<long double>(TrackLength() - extent) * share;
    // The default rounding mode sends ties to the even neighbour.
    const std::int32_t left = track.left + static_cast<std::int32_t>(std::nearbyint(offset));
    return {left, 0, left + extent, height_};
}

TRect TGaugeSlider::ZoneRect(TGaugeZone zone) const {
    const std::int32_t extent = ButtonExtent();
    switch (zone) {
    case TGaugeZone::gzNone:
        return {};
    case TGaugeZone::gzPrevButton:
        return {0, 0, extent, height_};
    case TGaugeZone::gzNextButton:
        return {width_ - extent, 0, width_, height_};
    default:
        break;
    }
    const TRect track = TrackRect();
    TRect handle = HandleRect();
    if (!enabled_ || handle.IsEmpty()) {
        const std::int32_t middle = (track.left + track.right) / 2;
        handle = {middle, 0, middle, height_};
    }
    switch (zone) {
    case TGaugeZone::gzPrevTrack:
        return {track.left, 0, handle.left, height_};
    case TGaugeZone::gzNextTrack:
        return {handle.right, 0, track.right, height_};
    default:
        return handle;
    }
}

TGaugeZone TGaugeSlider::ZoneAt(TPoint point) const {
    if (!Contains(ClientRect(), point)) {
        return TGaugeZone::gzNone;
    }
    if (Contains(ZoneRect(TGaugeZone::gzPrevButton), point)) {
        return TGaugeZone::gzPrevButton;
    }
    if (Contains(ZoneRect(TGaugeZone::gzNextButton), point)) {
        return TGaugeZone::gzNextButton;
    }
    const TRect handle = HandleRect();
    if (Contains(handle, point)) {
        return TGaugeZone::gzHandle;
    }
    if (0 < point.x && point.x < handle.left) {
        return TGaugeZone::gzPrevTrack;
    }
    if (handle.right <= point.x && point.x < width_ - 1) {
        return TGaugeZone::gzNextTrack;
    }
    return TGaugeZone::gzNone;
}

void TGaugeSlider::Repaint() {
    if (host_ != nullptr) {
        host_->Invalidate();
    }
}

bool TGaugeSlider::HoldsCapture() const {
    return host_ != nullptr && host_->HasCapture();
}

bool TGaugeSlider::PointerInClient() const {
    return host_ != nullptr && Contains(ClientRect(), host_->PointerPosition());
}

void TGaugeSlider::NotifyPositionChange() {
    // Copies, so that a handler may replace itself.
    if (onChange_) {
        const TNotifyEvent handler = onChange_;
        handler(*this);
    }
    if (changeByUser_ && onUserChange_) {
        const TNotifyEvent handler = onUserChange_;
        handler(*this);
    }
}

void TGaugeSlider::MoveBy(std::int64_t amount) {
    // In 64 bits, so that a step past either end of the 32-bit range saturates.
    SetPosition(static_cast<std::int32_t>(std::clamp<std::int64_t>(
        std::int64_t{position_} + amount, std::int64_t{min_}, std::int64_t{max_})));
}

void TGaugeSlider::StartHoverWatch() {
    repeatTimer_->SetInterval(HoverWatchInterval);
    repeatMode_ = TRepeatMode::rpHoverWatch;
    repeatTimer_->Enable();
}

void TGaugeSlider::StopHoverWatch() {
    repeatTimer_->Disable();
    hoverZone_ = TGaugeZone::gzNone;
    Repaint();
}

void TGaugeSlider::TimerStep() {
    switch (repeatMode_) {
    case TRepeatMode::rpFirstDelay:
        repeatTimer_->SetInterval(RepeatInterval);
        repeatMode_ = TRepeatMode::rpRepeating;
        break;
    case TRepeatMode::rpHoverWatch:
        if (!PointerInClient()) {
            StopHoverWatch();
        }
        break;
    case TRepeatMode::rpRepeating:
        break;
    }
    if (!HoldsCapture()) {
        return;
    }
    TUserChange userChange(changeByUser_);
    const std::int32_t before = position_;
    switch (pressZone_) {
    case TGaugeZone::gzPrevButton:
    case TGaugeZone::gzNextButton:
        MoveBy(pressZone_ == TGaugeZone::gzPrevButton ? -std::int64_t{smallChange_}
                                                      : std::int64_t{smallChange_});
        // At the end of the range there is nothing left to repeat.
        if (position_ == before) {
            StartHoverWatch();
        }
        break;
    case TGaugeZone::gzPrevTrack:
    case TGaugeZone::gzNextTrack: {
        // Page only while the handle has not yet reached the pointer.
        const TPoint pointer = host_->PointerPosition();
        const TPoint clamped{std::max(0, std::min(pointer.x, width_ - 1)),
                             std::max(0, std::min(pointer.y, height_ - 1))};
        const TGaugeZone zone = ZoneAt(clamped);
        if (pressZone_ == TGaugeZone::gzPrevTrack &&
            (zone == TGaugeZone::gzPrevButton || zone == TGaugeZone::gzPrevTrack)) {
            MoveBy(-std::int64_t{largeChange_});
        } else if (pressZone_ == TGaugeZone::gzNextTrack &&
                   (zone == TGaugeZone::gzNextTrack || zone == TGaugeZone::gzNextButton)) {
            MoveBy(largeChange_);
        }
        break;
    }
    case TGaugeZone::gzHandle:
    case TGaugeZone::gzNone:
        break;
    }
}

void TGaugeSlider::Drag(TPoint point) {
    const std::int64_t travel = std::int64_t{TrackLength()} - HandleExtent();
    if (travel <= 0) {
        return; // no room for the handle to move
    }
    // The pointer's offset from the press in single precision, the positions it spans in
    // extended precision, stored in single precision.
    const auto d = static_cast<float>(std::int64_t{point.x} - pressPoint_.x);
    const auto delta = static_cast<float>(static_cast<long double>(std::int64_t{max_} - min_) * d /
                                          static_cast<long double>(travel));
    const long double target =
        std::clamp(std::nearbyint(static_cast<long double>(dragStartPosition_) + delta),
                   static_cast<long double>(min_), static_cast<long double>(max_));
    try {
        TUserChange userChange(changeByUser_);
        SetPosition(static_cast<std::int32_t>(target));
    } catch (...) {
        // End the drag before the error goes on, so the mouse is not left captured.
        if (HoldsCapture()) {
            host_->ReleaseCapture();
            Release();
        }
        throw;
    }
}

void TGaugeSlider::Release() {
    pressZone_ = TGaugeZone::gzNone;
    Repaint();
    StartHoverWatch();
}

void TGaugeSlider::PaintTo(raster::TRasterSurface& target) const {
    assert(target.Width() == width_ && target.Height() == height_);
    if (target.IsEmpty()) {
        return;
    }
    TGaugePainter painter(platform_, target.Canvas());
    if (showArrows_) {
        DrawButton(painter, ZoneRect(TGaugeZone::gzPrevButton), TGaugeDirection::gdLeft,
                   TGaugeZone::gzPrevButton);
        DrawButton(painter, ZoneRect(TGaugeZone::gzNextButton), TGaugeDirection::gdRight,
                   TGaugeZone::gzNextButton);
    }
    // The track parts and the handle cover the track between the buttons; a disabled
    // control shows no handle and splits the track at its middle.
    DrawTrackPart(painter, ZoneRect(TGaugeZone::gzPrevTrack), TGaugeDirection::gdLeft,
                  TGaugeZone::gzPrevTrack);
    DrawTrackPart(painter, ZoneRect(TGaugeZone::gzNextTrack), TGaugeDirection::gdRight,
                  TGaugeZone::gzNextTrack);
    const TRect handle = enabled_ ? HandleRect() : TRect{};
    if (!handle.IsEmpty()) {
        DrawHandle(painter, handle);
    }
}

void TGaugeSlider::DrawButton(TGaugePainter& painter, TRect r, TGaugeDirection direction,
                              TGaugeZone zone) const {
    if (!enabled_) {
        // An engraved arrow: a highlight one pixel down and right under the shadow.
        painter.DrawFrameEdges(r, direction, shadowColor_);
        painter.FillSolid(r, buttonColor_);
        r = Moved(platform::Inflated(r, -1, -1), 1, 1);
        painter.DrawArrowGlyph(r, direction, highLightColor_);
        r = Moved(r, -1, -1);
        painter.DrawArrowGlyph(r, direction, shadowColor_);
        return;
    }
    painter.DrawFrameEdges(r, direction, borderColor_);
    if (pressZone_ == zone) {
        // Pressed: no bevel, and the arrow one pixel down and right.
        painter.FillSolid(r, buttonColor_);
        r = Moved(platform::Inflated(r, -1, -1), 1, 1);
    } else {
        painter.DrawBevel(r, highLightColor_, shadowColor_, TBevelFit::bfShrink);
        painter.FillSolid(r, buttonColor_);
    }
    painter.DrawArrowGlyph(r, direction, borderColor_);
}

void TGaugeSlider::DrawTrackPart(TGaugePainter& painter, TRect r, TGaugeDirection direction,
                                 TGaugeZone zone) const {
    if (r.IsEmpty()) {
        return;
    }
    painter.DrawFrameEdges(r, direction, enabled_ ? borderColor_ : shadowColor_);
    if (pressZone_ == zone) {
        painter.FillSolid(r, borderColor_);
        return;
    }
    if (r.IsEmpty()) {
        return;
    }
    if (!enabled_) {
        painter.FillSolid(r, buttonColor_);
        return;
    }
    // A shaded line along the side that faces the light: the top, and before the handle
    // also the left end.
    const TColor line = painter.MixColors(
        borderColor_, painter.MixColors(highLightColor_, color_, TrackLineInnerWeight),
        TrackLineWeight);
    if (direction == TGaugeDirection::gdLeft) {
        const TPoint corner[] = {{r.left, r.bottom - 1}, {r.left, r.top}, {r.right, r.top}};
        painter.DrawPolyline(corner, line);
        ++r.left;
    } else {
        const TPoint top[] = {{r.left, r.top}, {r.right, r.top}};
        painter.DrawPolyline(top, line);
    }
    ++r.top;
    if (backgnd_ == TGaugeBackground::bgSolid) {
        painter.FillSolid(r, color_);
    } else {
        painter.FillPattern(r, highLightColor_, color_);
    }
}

void TGaugeSlider::DrawHandle(TGaugePainter& painter, TRect r) const {
    const bool pressed = pressZone_ == TGaugeZone::gzHandle;
    const TColor hi = painter.ShiftColor(handleColor_, HandleShadeShift);
    const TColor lo = painter.ShiftColor(handleColor_, -HandleShadeShift);
    painter.FrameRect(r, borderColor_);
    r = platform::Inflated(r, -1, -1);
    if (pressed) {
        painter.DrawBevel(r, lo, handleColor_, TBevelFit::bfShrink);
    } else {
        painter.DrawBevel(r, hi, painter.MixColors(borderColor_, handleColor_, HandleShadowWeight),
                          TBevelFit::bfShrink);
    }
    painter.FillSolid(r, handleColor_);
    if (focusMark_) {
        // On the face's outermost ring, beneath the grip bars (which reach it only while
        // the pressed handle shifts them).
        painter.FrameDotted(r, borderColor_, handleColor_);
    }
    if (!showHandleGrip_) {
        return;
    }
    if (pressed) {
        r = Moved(r, 1, 1);
    }
    const std::int32_t faceWidth = r.Width();
    const std::int32_t middle = (r.left + r.right) / 2;
    for (const TGripBar& grip : GripBars) {
        if (grip.outer && faceWidth < MinFaceForOuterBars) {
            continue;
        }
        const std::int32_t left = middle + grip.offset;
        TRect bar{left, r.top + 1, left + GripBarWidth, r.bottom - 1};
        painter.DrawBevel(bar, hi, lo, TBevelFit::bfKeep);
    }
}

} // namespace controls
