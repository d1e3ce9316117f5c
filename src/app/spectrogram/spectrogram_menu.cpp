// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrogram_menu.h"

#include "app/common/shortcut_item.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace app {

TSpectrogramMenu::TSpectrogramMenu(QMenu& menu, QWidget& window,
                                   TSpectrogramWindow::TReferenceSink sendReference,
                                   std::function<void(const std::function<void()>&)> guard)
    : QObject(&menu), window_(window), sendReference_(std::move(sendReference)) {
    menu.addSeparator();
    open_ = AddShortcutItem(menu, window_, *this, QStringLiteral("Spectrogram..."),
                            QStringLiteral("S"),
                            [this, guard = std::move(guard)] { guard([this] { Open(); }); });
}

void TSpectrogramMenu::Open() {
    if (spectrogram_.isNull()) {
        spectrogram_ = new TSpectrogramWindow(sendReference_, &window_);
    }
    spectrogram_->show();
    spectrogram_->raise();
    spectrogram_->activateWindow();
}

void TSpectrogramMenu::FrameTaken(std::span<const double> original, std::span<const double> coded,
                                  analysis::WindowKind window) {
    spectrogram_->TakeFrame(original, coded, window);
}

} // namespace app
