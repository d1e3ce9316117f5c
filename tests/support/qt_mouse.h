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
inline void Click(QWidget& widget, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF global = widget.mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&widget, &release);
}

} // namespace support
