// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Mouse input for widget tests, delivered straight to the widget as Qt delivers it.

#include <QApplication>
#include <QMouseEvent>
#include <QPointF>
#include <QWidget>

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

} // namespace support
