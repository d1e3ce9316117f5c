// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Mouse input for widget tests: delivered straight to the widget as Qt delivers it, or
// through the window system as the pointer's screen position.

#include <QApplication>
#include <QMouseEvent>
#include <QPointF>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace support {

// A press and a release of `button` at `at` in `widget`'s coordinates, which may fall
// between pixels as they do under a zoom.
inline void Click(QWidget& widget, QPointF at, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QPointF global = widget.mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, button, button, modifiers);
    QApplication::sendEvent(&widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, button, Qt::NoButton,
                        modifiers);
    QApplication::sendEvent(&widget, &release);
}

// A press and a release of the left button at `at` in `widget`'s coordinates, handed to its
// window as the window system hands them over, so that Qt maps the position to the widget
// itself. Each click comes a second after the one before, so no two make a double click.
inline void WindowSystemClick(QWidget& widget, QPointF at) {
    constexpr int ClickIntervalMs = 1000;
    static int time = 0;
    QWindow* const window = widget.window()->windowHandle();
    const QPointF local = widget.mapTo(widget.window(), at);
    const QPointF global = widget.mapToGlobal(at);
    time += ClickIntervalMs;
    qt_handleMouseEvent(window, local, global, Qt::LeftButton, Qt::LeftButton,
                        QEvent::MouseButtonPress, Qt::NoModifier, time);
    qt_handleMouseEvent(window, local, global, Qt::NoButton, Qt::LeftButton,
                        QEvent::MouseButtonRelease, Qt::NoModifier, time + 1);
}

} // namespace support
