// SPDX-License-Identifier: GPL-3.0-or-later
#include "elided_name.h"

#include <QFontMetrics>

namespace app {

QString ElidedName(const QString& name, const QFontMetrics& metrics) {
    return metrics.elidedText(name, Qt::ElideMiddle, NameShownCharacters * metrics.averageCharWidth());
}

} // namespace app
