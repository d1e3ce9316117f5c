// SPDX-License-Identifier: GPL-3.0-or-later
#include "second_window.h"

#include "platform/replacing_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <QFile>
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

void TSecondWindow::WriteWholeFile(const QString& path, const std::string& bytes) {
    try {
        const std::string name = QFile::encodeName(path).toStdString();
        platform::TReplacingFile file(name, name, platform::TPipeWithoutReader::prRefuse);
        if (std::fwrite(bytes.data(), 1, bytes.size(), file.Stream()) != bytes.size()) {
            throw file.Failure(std::strerror(errno));
        }
        file.Commit();
    } catch (const platform::TOutputError& error) {
        throw std::runtime_error(error.Reason());
    }
}

} // namespace app
