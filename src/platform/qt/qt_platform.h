// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/color.h"
#include "platform/platform.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QByteArray;
class QMessageBox;
class QObject;

namespace platform::qt {

// How many screen pixels wide each client pixel may be drawn. Beyond the largest, the window
// alone would take gigabytes of pixel memory.
inline constexpr int MinZoom = 1;
inline constexpr int MaxZoom = 4;

// Makes Qt draw every client pixel as `zoom` x `zoom` screen pixels (zoom >= 1): turns off
// the scale factor Qt would take from the display and drops the user's own scale factors.
// Our pictures are then replicated pixel for pixel, while Qt draws its texts and buttons at
// `zoom` times their size. Call it before the QApplication is created.
void SetDisplayZoom(int zoom);

// Makes Qt take the zoom from the desktop: the scale factor of the screen the window is on
// (from the X resources' Xft.dpi, a Wayland output's scale, QT_SCALE_FACTOR or
// QT_SCREEN_SCALE_FACTORS), rounded to the nearest whole number of at least 1, with 1.5
// giving 2. The user's factors are capped at MaxZoom, as the zoom option is. The font DPI
// alone (QT_FONT_DPI) changes nothing. Call it before the QApplication is created.
//
// Returns the user's settings that were capped, as "QT_SCALE_FACTOR=64" (two joined by
// ", "), or an empty string; the caller says so.
std::string FollowDesktopZoom();

// `factors` as QT_SCALE_FACTOR or QT_SCREEN_SCALE_FACTORS hold them ("1.5", "1.5;2" or
// "HDMI-1=1.5;DP-1=2"), each number rounded to the nearest whole one from MinZoom to
// MaxZoom; what is not a number is left as it is.
QByteArray WholeScaleFactors(const QByteArray& factors);

// SetDisplayZoom(1): every client pixel of a control is one pixel on the screen.
void DisableDisplayScaling();

// The windowing system on Qt Widgets. A QApplication must exist before the platform is
// created and outlive it; every call comes from the GUI thread.
//
// Every handler that Qt calls into our code through this platform (timer ticks, and the
// paint, mouse and wheel handlers of hosted controls) runs through one handler guard, so
// that no exception ever reaches Qt's event loop. The default guard shows the message of
// an escaping std::exception in the error box and lets the loop go on.
class TQtPlatform : public IPlatform {
public:
    // Runs `handler` and deals with whatever escapes it. It must not let an exception
    // escape itself: the guarded call ends the program if one does.
    using THandlerGuard = std::function<void(const std::function<void()>& handler)>;
    // Takes the place of the modal error box.
    using TErrorBoxSink = std::function<void(std::string_view message)>;

    TQtPlatform();
    ~TQtPlatform() override;
    TQtPlatform(const TQtPlatform&) = delete;
    TQtPlatform& operator=(const TQtPlatform&) = delete;

    // Timers of the Qt event loop (TQtTimer); each must be destroyed before the platform.
    std::unique_ptr<ITimer> CreateTimer() override;

    // Dispatches posted events, due timers and window-system events until none is left,
    // including those that arrive meanwhile. Never waits for new ones. A source that is
    // always ready (a zero-interval Qt timer) cannot hold it for more than MessagePumpLimit.
    void ProcessMessages() override;
    static constexpr std::chrono::milliseconds MessagePumpLimit{100};

    // Sleeps the GUI thread; dispatches nothing.
    void Sleep(std::chrono::milliseconds duration) override;

    // Read from the application's palette (active colour group).
    TColor SystemColor(SystemColorIndex index) const override;

    // Shows MakeErrorBox(message) modally, or hands the message to the sink if one is set.
    // While a hosted control paints, a modal loop would run inside Qt's painting, so the
    // box (or the sink) is then deferred until the event loop next takes a message.
    void ShowErrorBox(std::string_view message) override;

    // A critical message box with an OK button, captioned with the application's display
    // name, showing `message`; its parent is the active window, if any. Not yet shown.
    static std::unique_ptr<QMessageBox> MakeErrorBox(std::string_view message);

    // An empty sink restores the modal box. Tests set one, so they never block on a box.
    void SetErrorBoxSink(TErrorBoxSink sink) { errorBoxSink_ = std::move(sink); }

    // An empty guard restores the default one.
    void SetHandlerGuard(THandlerGuard guard) { guard_ = std::move(guard); }

    // Runs `handler` through the handler guard. Used by the timers and the control hosts
    // for every callback from Qt; ends the program if the guard lets an exception escape.
    void RunGuarded(const std::function<void()>& handler) noexcept;

    // True while a hosted control paints (maintained by the hosts).
    bool IsPainting() const { return paintDepth_ > 0; }

private:
    friend class TQtControlWidget;

    void ShowErrorBoxNow(std::string_view message);
    void DefaultGuard(const std::function<void()>& handler);

    THandlerGuard guard_;
    TErrorBoxSink errorBoxSink_;
    int paintDepth_ = 0;
    // Receives the deferred error boxes; deleting it drops those still waiting.
    std::unique_ptr<QObject> deferredBoxes_;
};

} // namespace platform::qt
