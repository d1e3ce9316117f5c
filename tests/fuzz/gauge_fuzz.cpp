// SPDX-License-Identifier: GPL-3.0-or-later
// The gauge slider on the scripted platform, driven by scripts of mouse, wheel, timer,
// enable and property events, with any values. After every event the position lies in the
// range, every change of it has been notified exactly once (and a user change right after
// its change), and once the window has painted, its screen shows exactly what the control
// paints now, which covers the control and reaches no pixel outside it.

#include "controls/gauge_slider.h"
#include "fuzz_support.h"
#include "platform/geometry.h"
#include "platform/scripted/scripted_control_host.h"
#include "platform/scripted/scripted_platform.h"
#include "raster/raster_surface.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>

namespace {

using controls::TGaugeSlider;
using fuzz::Require;
using fuzz::TInput;
using platform::MouseButton;
using platform::TPoint;
using platform::TRect;
using platform::scripted::TScriptedControlHost;
using platform::scripted::TScriptedPlatform;

constexpr std::int32_t MaxWidth = 200;
constexpr std::int32_t MaxHeight = 40;
constexpr std::int32_t MaxOrigin = 1000;
constexpr int MaxSteps = 64;
constexpr std::uint32_t ColourBytes = 0x00FFFFFFu;

// Checks the notifications as they come: OnChange only for a real change, OnUserChange
// only right after the OnChange of the same change.
struct TNotificationWatch {
    std::int32_t lastNotified = 0;
    bool changeJustNotified = false;
    int userChanges = 0;

    void Attach(TGaugeSlider& gauge) {
        lastNotified = gauge.Position();
        gauge.SetOnChange([this](TGaugeSlider& sender) {
            Require(sender.Position() != lastNotified, "OnChange without a change");
            lastNotified = sender.Position();
            changeJustNotified = true;
        });
        gauge.SetOnUserChange([this](TGaugeSlider& sender) {
            Require(changeJustNotified && sender.Position() == lastNotified,
                    "OnUserChange without its OnChange");
            changeJustNotified = false;
            ++userChanges;
        });
    }
};

MouseButton Button(TInput& input) {
    switch (input.Below(3)) {
    case 0:
        return MouseButton::mbLeft;
    case 1:
        return MouseButton::mbRight;
    default:
        return MouseButton::mbMiddle;
    }
}

// A client point. The scripted platform keeps the pointer as a screen position, the
// point plus the origin of the window it was given to, and maps it back through the origin
// of whichever window asks later (each at most MaxOrigin); the ends of the range stay that
// far away, so that the position is one a screen can have relative to any window.
TPoint Point(TInput& input, const TScriptedControlHost& host) {
    constexpr std::int32_t Low = std::numeric_limits<std::int32_t>::min() + MaxOrigin;
    constexpr std::int32_t High = std::numeric_limits<std::int32_t>::max() - MaxOrigin;
    const std::int32_t x = std::clamp(input.Coordinate(host.ClientWidth()), Low, High);
    return {x, std::clamp(input.Coordinate(host.ClientHeight()), Low, High)};
}

// A value for a range, a position or a step: small ones and the ends of the 32-bit range.
std::int32_t Value(TInput& input) {
    return input.Coordinate(input.Flag() ? 200 : 10000);
}

std::unique_ptr<TScriptedControlHost> NewHost(TInput& input, TScriptedPlatform& platform,
                                              TGaugeSlider& gauge) {
    const std::int32_t left = input.Between(0, MaxOrigin);
    const std::int32_t top = input.Between(0, MaxOrigin);
    const std::int32_t width = input.Between(0, MaxWidth);
    const std::int32_t height = input.Between(0, MaxHeight);
    return std::make_unique<TScriptedControlHost>(
        platform, gauge, TRect{left, top, left + width, top + height});
}

void SetProperty(TInput& input, TGaugeSlider& gauge) {
    switch (input.Below(16)) {
    case 0:
        gauge.SetMin(Value(input));
        break;
    case 1:
        gauge.SetMax(Value(input));
        break;
    case 2:
        gauge.SetPosition(Value(input));
        break;
    case 3:
        gauge.SetSmallChange(Value(input));
        break;
    case 4:
        gauge.SetLargeChange(Value(input));
        break;
    case 5:
        gauge.SetHandleSize(input.Coordinate(MaxWidth));
        break;
    case 6:
        gauge.SetButtonSize(input.Coordinate(MaxWidth));
        break;
    case 7:
        gauge.SetShowArrows(input.Flag());
        break;
    case 8:
        gauge.SetShowHandleGrip(input.Flag());
        break;
    case 9:
        gauge.SetBackgnd(input.Flag() ? controls::TGaugeBackground::bgSolid
                                      : controls::TGaugeBackground::bgPattern);
        break;
    case 10:
        gauge.SetColor(input.Color(true));
        break;
    case 11:
        gauge.SetHandleColor(input.Color(true));
        break;
    case 12:
        gauge.SetButtonColor(input.Color(true));
        break;
    case 13:
        gauge.SetHighLightColor(input.Color(true));
        break;
    case 14:
        gauge.SetShadowColor(input.Color(true));
        break;
    default:
        gauge.SetBorderColor(input.Color(true));
        break;
    }
}

void CheckState(const TGaugeSlider& gauge, const TNotificationWatch& watch) {
    Require(gauge.Min() < gauge.Max(), "Min is not below Max");
    Require(gauge.Min() <= gauge.Position() && gauge.Position() <= gauge.Max(),
            "Position out of range");
    Require(watch.lastNotified == gauge.Position(), "a change of Position was not notified");
    const TRect track = gauge.TrackRect();
    const TRect handle = gauge.HandleRect();
    Require(track.left <= handle.left && handle.right <= track.right, "the handle leaves the track");
}

// Lets the window paint, then compares its screen with a fresh picture of the control.
void CheckPicture(TScriptedPlatform& platform, const TScriptedControlHost& host,
                  const TGaugeSlider& gauge) {
    platform.ProcessMessages();
    Require(platform.ErrorBoxes().empty(), "an error escaped an event");
    const TRect client = platform::SizeRect(host.ClientWidth(), host.ClientHeight());
    for (const TRect& area : host.LastPaintCopies()) {
        Require(area.IsEmpty() || platform::Intersection(area, client) == area,
                "a paint copies outside the client area");
    }
    fuzz::TGuardedAllocator allocator;
    raster::TRasterSurface picture(allocator);
    picture.ResizeTo(host.ClientWidth(), host.ClientHeight());
    for (raster::TPixel32& pixel : picture.Pixels()) {
        pixel = fuzz::Sentinel;
    }
    gauge.PaintTo(picture);
    allocator.CheckGuards();
    const auto screen = host.Screen();
    const auto pixels = picture.Pixels();
    Require(screen.size() == pixels.size(), "the screen and the picture differ in size");
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        Require(pixels[i] >> 24 == 0xFFu, "a pixel of the control is left unpainted");
        Require(screen[i] == (pixels[i] & ColourBytes), "the screen differs from the picture");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TInput input(data, size);
    TScriptedPlatform platform;
    TGaugeSlider gauge(platform);
    TNotificationWatch watch;
    watch.Attach(gauge);
    std::unique_ptr<TScriptedControlHost> host = NewHost(input, platform, gauge);
    bool enabled = true;

    for (int step = 0; step < MaxSteps && !input.Exhausted(); ++step) {
        const int userChangesBefore = watch.userChanges;
        watch.changeJustNotified = false;
        switch (input.Below(12)) {
        case 0: {
            const MouseButton button = Button(input);
            host->MouseDown(button, Point(input, *host));
            break;
        }
        case 1:
        case 2:
            host->MouseMove(Point(input, *host));
            break;
        case 3: {
            const MouseButton button = Button(input);
            host->MouseUp(button, Point(input, *host));
            break;
        }
        case 4:
            host->MouseLeave();
            break;
        case 5: {
            static constexpr std::int32_t Notches[] = {120, -120, 240, -240, 1, -1};
            const std::int32_t delta =
                input.Flag() ? Notches[input.Below(6)] : static_cast<std::int32_t>(input.Word());
            const bool handled = host->MouseWheel(delta, Point(input, *host));
            Require(handled == enabled, "the wheel is handled exactly when enabled");
            Require(watch.userChanges == userChangesBefore, "the wheel made a user change");
            break;
        }
        case 6:
        case 7:
            platform.RunFor(std::chrono::milliseconds(input.Between(0, 2000)));
            break;
        case 8:
            platform.Sleep(std::chrono::milliseconds(input.Between(0, 1000)));
            break;
        case 9:
            enabled = input.Flag();
            gauge.SetEnabled(enabled);
            break;
        case 10:
            SetProperty(input, gauge);
            break;
        default:
            // The window gets a new place and size: a new host, as a layout would give.
            host.reset();
            host = NewHost(input, platform, gauge);
            break;
        }
        CheckState(gauge, watch);
        CheckPicture(platform, *host, gauge);
    }
    host.reset();
    return 0;
}
