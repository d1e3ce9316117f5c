// SPDX-License-Identifier: GPL-3.0-or-later
#include "second_window.h"

#include <QHideEvent>
#include <QMetaObject>

namespace app {

void TSecondWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous()) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isHidden()) {
                const QRect kept = geometry();
                destroy();
                setGeometry(kept);
            }
        },
        Qt::QueuedConnection);
}

} // namespace app
