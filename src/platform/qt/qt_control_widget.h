// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/control_host.h"
#include "platform/custom_control.h"
#include "platform/geometry.h"
#include "platform/window_canvas.h"

#include <cstdint>
#include <vector>

#include <QPointer>
#include <QWidget>

class QPainter;
class QSinglePointEvent;
class QWindow;

namespace platform::qt {

class TQtPlatform;

// Whether a hosted control sees the mouse wheel.
enum class TWheelHandling : std::uint8_t {
    whForward, // wheel events go to ICustomControl::MouseWheel
    whIgnore,  // wheel events pass on to the parent widget; the control never sees them
};

// The child widget that shows one custom control. It only forwards Qt's events to the
// control and copies the pixels the control hands it; the control draws everything.
//
// Paints: Qt's paint events become Paint(prInvalidated); a posted paint request becomes a
// custom event whose handler repaints at once with Paint(prRequested), so a picture handed
// over inside a timer tick is on the screen before the next tick runs. Window paints that
// are still pending are done first, so each paint event carries one reason. The widget
// never erases its background.
//
// Mouse: presses, moves (also without a button: mouse tracking is on), releases, leaving
// and (optionally) the wheel are forwarded in client pixels. Mouse capture is Qt's mouse
// grab, which needs the widget to be visible.
//
// Keyboard: the widget takes the focus by Tab and Shift+Tab, never on a click (its owner may
// set another focus policy). While it holds the focus, the navigation keys without Ctrl, Alt
// or Meta go to the control, and a key the control leaves goes on to the parent. The
// control's focus mark is shown while the widget holds the focus and the keyboard is in use:
// since the focus came by Tab or Shift+Tab, or since the control acted on a key. A mouse
// press anywhere in the window, or the focus moving to another widget, ends that; the focus
// leaving for a pop-up or another window only hides the mark until it comes back.
//
// Pixels: client pixels are device pixels only while Qt does not scale the display
// (DisableDisplayScaling); this widget adds no scaling of its own. Under a zoom
// (SetDisplayZoom) each client pixel is a square of screen pixels, and a mouse position
// that falls anywhere inside a square is that client pixel (ClientPointOf). Qt chooses the
// widget under the pointer by the rounded position, though, so the right half of the last
// column's squares and the lower half of the last row's reach the neighbouring widget.
class TQtControlWidget : public QWidget, public IControlHost, public IWindowCanvas {
    Q_OBJECT

public:
    // A widget of fixed size at `bounds` (coordinates in `parent`, or on the screen without
    // a parent) that attaches itself to `control` and gives it the client size. `platform`
    // and `control` must outlive the widget.
    TQtControlWidget(TQtPlatform& platform, ICustomControl& control, const TRect& bounds,
                     QWidget* parent, TWheelHandling wheel = TWheelHandling::whForward);
    // Detaches the control and ends a mouse capture it holds.
    ~TQtControlWidget() override;
    TQtControlWidget(const TQtControlWidget&) = delete;
    TQtControlWidget& operator=(const TQtControlWidget&) = delete;

    // IControlHost
    void Invalidate() override;
    void PostPaintRequest() override;
    void SetCapture() override;
    void ReleaseCapture() override;
    bool HasCapture() const override;
    TPoint PointerPosition() const override;

    // IWindowCanvas; only valid while the control paints.
    void BlockCopy(const TPixelBlock& source, const TRect& area) override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Watches the window for mouse presses.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A block copy of a posted request's paint, kept until Qt lets the widget paint.
    struct TRequestedCopy {
        TPixelBlock Source;
        TRect Area; // within the client area
    };

    void ServePaintRequest();
    void CopyToScreen(const TPixelBlock& source, const TRect& area);
    // Shows the focus mark exactly while the widget holds the focus and the keyboard is in use.
    void FollowFocusMark();

    TQtPlatform& platform_;
    ICustomControl& control_;
    const TWheelHandling wheel_;
    QPainter* painter_ = nullptr; // set while the control paints in a paint event
    // While the control paints for a posted request: its copies are kept here, and only
    // their area is then repainted and sent to the screen.
    bool recordingRequest_ = false;
    bool servingPaintRequest_ = false; // the paint under way replays the kept copies
    std::vector<TRequestedCopy> requestedCopies_;
    bool keyboardInUse_ = false;
    bool focusMarkShown_ = false;
    QPointer<QWindow> watchedWindow_; // the window whose mouse presses end keyboardInUse_
};

// The client pixel under a mouse event's position in `widget`. Qt hands a child widget its
// position rounded to the nearest whole pixel, so under a zoom the right half of a client
// pixel's square would read as the next pixel; the position in the window (the event's
// scene position) keeps the fraction, and is taken whenever it agrees with the rounded one.
// An event made up for the widget itself, whose scene position is its own position, keeps
// that. The pixel is the one the position lies in: rounded down, never to the nearest.
TPoint ClientPointOf(const QWidget& widget, const QSinglePointEvent& event);

} // namespace platform::qt
