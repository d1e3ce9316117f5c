// SPDX-License-Identifier: GPL-3.0-or-later
#include "coder_figures_menu.h"

#include "app/common/shortcut_item.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace app {

TCoderFiguresMenu::TCoderFiguresMenu(QMenu& menu, QWidget& window, TSource source,
                                     TCoderFiguresWindow::TPlayRegion playRegion,
                                     std::function<void(const std::function<void()>&)> guard)
    : QObject(&menu), window_(window), source_(std::move(source)) {
    // A moment is chosen in the figures window, and played through the guard like a menu item.
    playRegion_ = [this, play = std::move(playRegion), guard](std::int64_t begin,
                                                              std::int64_t end) {
        guard([&] {
            play(begin, end);
            region_ = source_().Region;
        });
    };
    menu.addSeparator();
    open_ = AddShortcutItem(menu, window_, *this, QStringLiteral("Coder figures..."),
                            QStringLiteral("G"),
                            [this, guard = std::move(guard)] { guard([this] { Open(); }); });
}

void TCoderFiguresMenu::Open() {
    if (figures_.isNull()) {
        figures_ = new TCoderFiguresWindow(&window_, playRegion_);
        SourceChanged();
    }
    figures_->show();
    figures_->raise();
    figures_->activateWindow();
}

void TCoderFiguresMenu::SourceChanged() {
    if (!figures_.isNull()) {
        const TMaterialSource source = source_();
        region_ = source.Region;
        figures_->SetSource(source);
    }
}

void TCoderFiguresMenu::FrameShown() {
    if (!figures_.isNull() && source_().Region != region_) {
        SourceChanged();
    }
}

} // namespace app
