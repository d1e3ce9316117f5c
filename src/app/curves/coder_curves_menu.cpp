// SPDX-License-Identifier: GPL-3.0-or-later
#include "coder_curves_menu.h"

#include "coder_curves_window.h"
#include "app/common/shortcut_item.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace app {

TCoderCurvesMenu::TCoderCurvesMenu(QMenu& menu, QWidget& window, TTone tone, TSource source,
                                   std::function<void(const std::function<void()>&)> guard)
    : QObject(&menu), window_(window), tone_(std::move(tone)), source_(std::move(source)) {
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
        SourceChanged();
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

void TCoderCurvesMenu::SourceChanged() {
    if (!curves_.isNull()) {
        const TMaterialSource source = source_();
        region_ = source.Region;
        curves_->SetSource(source);
    }
}

void TCoderCurvesMenu::FrameShown() {
    if (!curves_.isNull() && source_().Region != region_) {
        SourceChanged();
    }
}

} // namespace app
