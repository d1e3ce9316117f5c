// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <QString>

class QAction;
class QMenu;
class QObject;
class QWidget;

namespace app {

// Adds an item to `menu` whose `shortcut` is shown beside it and works in the whole of
// `window`, menu open or not; choosing it runs `onChosen` for as long as `owner` lives.
QAction* AddShortcutItem(QMenu& menu, QWidget& window, QObject& owner, const QString& caption,
                         const QString& shortcut, std::function<void()> onChosen);

} // namespace app
