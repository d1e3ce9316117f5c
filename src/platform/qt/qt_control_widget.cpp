// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_control_widget.h"

#include "pixel_image.h"
#include "qt_platform.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <optional>
#include <utility>

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QWheelEvent>
#include <QWindow>

namespace platform::qt {

namespace {

// The event a control's posted paint request becomes.
QEvent::Type PaintRequestEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

std::optional<MouseButton> MouseButtonOf(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return MouseButton::mbLeft;
    case Qt::RightButton:
        return MouseButton::mbRight;
    case Qt::MiddleButton:
        return MouseButton::mbMiddle;
    default:
        return std::nullopt;
    }
}

// The keys a control may act on.
constexpr std::pair<Qt::Key, NavigationKey> NavigationKeys[] = {
    {Qt::Key_Left, NavigationKey::nkLeft},        {Qt::Key_Right, NavigationKey::nkRight},
    {Qt::Key_Up, NavigationKey::nkUp},            {Qt::Key_Down, NavigationKey::nkDown},
    {Qt::Key_PageUp, NavigationKey::nkPageUp},    {Qt::Key_PageDown, NavigationKey::nkPageDown},
    {Qt::Key_Home, NavigationKey::nkHome},        {Qt::Key_End, NavigationKey::nkEnd},
};

// The navigation key a key press is, if any: with Ctrl, Alt or Meta it is a shortcut's.
std::optional<NavigationKey> NavigationKeyOf(const QKeyEvent& event) {
    if ((event.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) != Qt::NoModifier) {
        return std::nullopt;
    }
    for (const auto& [qtKey, key] : NavigationKeys) {
        if (event.key() == qtKey) {
            return key;
        }
    }
    return std::nullopt;
}

// Qt rounds a position to the nearest whole pixel: the exact one lies within half a pixel.
constexpr qreal RoundingReach = 0.5;

} // namespace

TPoint ClientPointOf(const QWidget& widget, const QSinglePointEvent& event) {
    const QPointF rounded = event.position();
    const QPointF exact = widget.mapFrom(widget.window(), event.scenePosition());
    const bool agree = std::abs(exact.x() - rounded.x()) <= RoundingReach &&
                       std::abs(exact.y() - rounded.y()) <= RoundingReach;
    const QPointF position = agree ? exact : rounded;
    return {static_cast<std::int32_t>(std::floor(position.x())),
            static_cast<std::int32_t>(std::floor(position.y()))};
}

TQtControlWidget::TQtControlWidget(TQtPlatform& platform, ICustomControl& control,
                                   const TRect& bounds, QWidget* parent, TWheelHandling wheel)
    : QWidget(parent), platform_(platform), control_(control), wheel_(wheel) {
    // The control paints every pixel itself: Qt must neither erase nor fill the background.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    setMouseTracking(true);
    // Clicking a control does not take the keyboard focus; tabbing does.
    setFocusPolicy(Qt::TabFocus);
    const std::int32_t width = std::max(bounds.Width(), 0);
    const std::int32_t height = std::max(bounds.Height(), 0);
    move(bounds.left, bounds.top);
    setFixedSize(width, height);
    control_.SetHost(this);
    control_.SetClientSize(width, height);
}

TQtControlWidget::~TQtControlWidget() {
    ReleaseCapture();
    control_.SetHost(nullptr);
}

void TQtControlWidget::Invalidate() {
    update();
}

void TQtControlWidget::PostPaintRequest() {
    QCoreApplication::postEvent(this, new QEvent(PaintRequestEventType()));
}

void TQtControlWidget::SetCapture() {
    grabMouse();
}

void TQtControlWidget::ReleaseCapture() {
    if (HasCapture()) {
        releaseMouse();
    }
}

bool TQtControlWidget::HasCapture() const {
    return QWidget::mouseGrabber() == this;
}

TPoint TQtControlWidget::PointerPosition() const {
    const QPoint point = mapFromGlobal(QCursor::pos(screen()));
    return {point.x(), point.y()};
}

void TQtControlWidget::BlockCopy(const TPixelBlock& source, const TRect& area) {
    assert((painter_ != nullptr || recordingRequest_) && "BlockCopy outside of a paint");
    const TRect visible = Intersection(Intersection(area, SizeRect(width(), height())),
                                       SizeRect(source.width, source.height));
    if (visible.IsEmpty()) {
        return;
    }
    if (recordingRequest_) {
        requestedCopies_.push_back({source, visible});
        return;
    }
    CopyToScreen(source, visible);
}

void TQtControlWidget::CopyToScreen(const TPixelBlock& source, const TRect& area) {
    // The image wraps the control's memory; the opaque format leaves the fourth byte out.
    const QImage image = WrapPixelBlock(source);
    painter_->drawImage(QPoint(area.left, area.top), image,
                        QRect(area.left, area.top, area.Width(), area.Height()));
}

bool TQtControlWidget::event(QEvent* event) {
    if (event->type() == PaintRequestEventType()) {
        ServePaintRequest();
        return true;
    }
    return QWidget::event(event);
}

void TQtControlWidget::ServePaintRequest() {
    // Qt would merge pending window paints of this widget into the repaint below; doing
    // them first leaves the repaint to the request alone.
    if (QWidget* const topLevel = window()) {
        QCoreApplication::sendPostedEvents(topLevel, QEvent::UpdateRequest);
    }
    // The control paints first and its copies are kept, so that Qt repaints and sends to
    // the screen only the area they cover, and nothing at all when the request finds
    // nothing to paint (a control may then ask for a window paint instead). The copies'
    // pixels stay put until the repaint, which runs before anything else can.
    requestedCopies_.clear();
    recordingRequest_ = true;
    ++platform_.paintDepth_;
    platform_.RunGuarded([this] { control_.Paint(*this, PaintReason::prRequested); });
    --platform_.paintDepth_;
    recordingRequest_ = false;
    if (requestedCopies_.empty()) {
        return;
    }
    QRegion area;
    for (const TRequestedCopy& copy : requestedCopies_) {
        area += QRect(copy.Area.left, copy.Area.top, copy.Area.Width(), copy.Area.Height());
    }
    servingPaintRequest_ = true;
    repaint(area);
    servingPaintRequest_ = false;
    requestedCopies_.clear();
}

void TQtControlWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter_ = &painter;
    if (servingPaintRequest_) {
        servingPaintRequest_ = false;
        for (const TRequestedCopy& copy : requestedCopies_) {
            CopyToScreen(copy.Source, copy.Area);
        }
    } else {
        ++platform_.paintDepth_;
        platform_.RunGuarded([this] { control_.Paint(*this, PaintReason::prInvalidated); });
        --platform_.paintDepth_;
    }
    painter_ = nullptr;
}

void TQtControlWidget::mousePressEvent(QMouseEvent* event) {
    // The window's presses reach eventFilter; this one may have been sent to the widget alone.
    keyboardInUse_ = false;
    FollowFocusMark();
    const std::optional<MouseButton> button = MouseButtonOf(event->button());
    if (!button) {
        event->ignore();
        return;
    }
    const TPoint point = ClientPointOf(*this, *event);
    platform_.RunGuarded([this, button, point] { control_.MouseDown(*button, point); });
}

void TQtControlWidget::mouseMoveEvent(QMouseEvent* event) {
    const TPoint point = ClientPointOf(*this, *event);
    platform_.RunGuarded([this, point] { control_.MouseMove(point); });
}

void TQtControlWidget::mouseReleaseEvent(QMouseEvent* event) {
    const std::optional<MouseButton> button = MouseButtonOf(event->button());
    if (!button) {
        event->ignore();
        return;
    }
    const TPoint point = ClientPointOf(*this, *event);
    platform_.RunGuarded([this, button, point] { control_.MouseUp(*button, point); });
}

void TQtControlWidget::leaveEvent(QEvent*) {
    platform_.RunGuarded([this] { control_.MouseLeave(); });
}

void TQtControlWidget::wheelEvent(QWheelEvent* event) {
    const std::int32_t delta = event->angleDelta().y();
    // Sideways wheels have no counterpart in the control's input.
    if (wheel_ == TWheelHandling::whIgnore || delta == 0) {
        event->ignore();
        return;
    }
    const TPoint point = ClientPointOf(*this, *event);
    bool handled = false;
    platform_.RunGuarded(
        [this, delta, point, &handled] { handled = control_.MouseWheel(delta, point); });
    event->setAccepted(handled);
}

void TQtControlWidget::keyPressEvent(QKeyEvent* event) {
    const std::optional<NavigationKey> key = NavigationKeyOf(*event);
    if (!key) {
        QWidget::keyPressEvent(event);
        return;
    }
    bool handled = false;
    platform_.RunGuarded([this, key, &handled] { handled = control_.KeyDown(*key); });
    if (handled) {
        keyboardInUse_ = true;
        FollowFocusMark();
    }
    event->setAccepted(handled);
}

void TQtControlWidget::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    QWindow* const window = this->window()->windowHandle();
    if (window != watchedWindow_ && window != nullptr) {
        // Qt forgets a filter that is destroyed before the window.
        window->installEventFilter(this);
        watchedWindow_ = window;
    }
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
        keyboardInUse_ = true;
    }
    FollowFocusMark();
}

void TQtControlWidget::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // A pop-up or another window takes the focus only for a while; it comes back as it left.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) {
        keyboardInUse_ = false;
    }
    FollowFocusMark();
}

bool TQtControlWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_ && (event->type() == QEvent::MouseButtonPress ||
                                      event->type() == QEvent::MouseButtonDblClick)) {
        keyboardInUse_ = false;
        FollowFocusMark();
    }
    return QWidget::eventFilter(watched, event);
}

void TQtControlWidget::FollowFocusMark() {
    const bool shown = keyboardInUse_ && hasFocus();
    if (shown == focusMarkShown_) {
        return;
    }
    focusMarkShown_ = shown;
    platform_.RunGuarded([this, shown] { control_.SetFocusMark(shown); });
}

} // namespace platform::qt
