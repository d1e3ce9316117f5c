// SPDX-License-Identifier: GPL-3.0-or-later
#include "coder_curves_menu.h"

#include "coder_curves_window.h"
#include "app/common/shortcut_item.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace app {

TCoderCurvesMenu::TCoderCurvesMenu(QMenu& menu, QWidget& window, TTone tone,
                                   std::function<void(const std::function<void()>&)> guard)
    : QObject(&menu), window_(window), tone_(std::move(tone)) {
    menu.addSeparator();
    open_ = AddShortcutItem(menu, window_, *this, QStringLiteral("Coder curves..."),
                            QStringLiteral("C"),
                            [this, guard = std::move(guard)] { guard([this] { Open(); }); });
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
