// SPDX-License-Identifier: GPL-3.0-or-later
#include "coder_curves_menu.h"

#include "coder_curves_window.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>

namespace app {

TCoderCurvesMenu::TCoderCurvesMenu(QMenu& menu, QWidget& window, TTone tone)
    : QObject(&menu), window_(window), tone_(std::move(tone)) {
    menu.addSeparator();
    open_ = menu.addAction(QStringLiteral("Coder curves..."));
    open_->setShortcut(QKeySequence(QStringLiteral("C")));
    open_->setShortcutContext(Qt::WindowShortcut);
    window_.addAction(open_);
    QObject::connect(open_, &QAction::triggered, this, [this] { Open(); });
}

TCoderCurvesWindow* TCoderCurvesMenu::Window() {
    return curves_.data();
}

void TCoderCurvesMenu::Open() {
    if (curves_.isNull()) {
        curves_ = new TCoderCurvesWindow(&window_);
        ToneChanged();
    }
    curves_->show();
    curves_->raise();
    curves_->activateWindow();
}

void TCoderCurvesMenu::ToneChanged() {
    if (!curves_.isNull()) {
        const auto [frequencyHz, levelDb] = tone_();
        curves_->SetTone(frequencyHz, levelDb);
    }
}

} // namespace app
