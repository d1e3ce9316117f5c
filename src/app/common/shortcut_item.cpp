// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcut_item.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>

namespace app {

QAction* AddShortcutItem(QMenu& menu, QWidget& window, QObject& owner, const QString& caption,
                         const QString& shortcut, std::function<void()> onChosen) {
    QAction* const action = menu.addAction(caption);
    action->setShortcut(QKeySequence(shortcut));
    action->setShortcutContext(Qt::WindowShortcut);
    window.addAction(action);
    QObject::connect(action, &QAction::triggered, &owner, std::move(onChosen));
    return action;
}

} // namespace app
