// SPDX-License-Identifier: GPL-3.0-or-later
#include "listening_menu.h"

#include "app/common/shortcut_item.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>

namespace app {
namespace {

const QString ListenToolTip = QStringLiteral(
    "Plays the tone or the sound file as the chosen mode codes it through the sound server. "
    "Mind the volume: a tone at 0 dB is full scale.");
const QString OriginalToolTip = QStringLiteral(
    "Plays the signal uncoded. Its key, A, flips between the original and the coded signal at "
    "the same sample, without a gap.");
const QString ErrorToolTip =
    QStringLiteral("Plays only the coding error (coded minus exact sample), raised by %1 "
                   "(+48.2 dB) and clipped at full scale.")
        .arg(analysis::ErrorGain);

} // namespace

TListeningMenu::TListeningMenu(QMenu& menu, QWidget& window,
                               std::function<analysis::TStreamSettings()> settings,
                               std::function<void(const std::function<void()>&)> guard)
    : QObject(&menu), window_(window), settings_(std::move(settings)), guard_(std::move(guard)),
      listening_(this) {
    menu.addSeparator();
    listen_ = AddItem(menu, QStringLiteral("Listen"), QStringLiteral("L"),
                      [this] { SetListening(listen_->isChecked()); });
    listen_->setCheckable(true);
    error_ = AddItem(menu, QStringLiteral("Listen to the coding error"), QStringLiteral("E"),
                     [this] { ChooseContent(error_); });
    error_->setCheckable(true);
    original_ = AddItem(menu, QStringLiteral("Listen to the original"), QStringLiteral("A"),
                        [this] { ChooseContent(original_); });
    original_->setCheckable(true);

    listening_.SetOnLost([this] {
        listen_->setChecked(false);
        lastStop_ = listening_.Problem();
        FollowAvailability();
    });
    listening_.SetOnOutputsChanged([this] { FollowAvailability(); });
    // An output that went away, or came, while nothing played is seen when the menu opens.
    QObject::connect(&menu, &QMenu::aboutToShow, this, [this] {
        if (!listening_.Playing()) {
            listening_.CheckOutput();
        }
    });
    FollowAvailability();
    FollowControls();
}

QAction* TListeningMenu::AddItem(QMenu& menu, const QString& caption, const QString& shortcut,
                                 const std::function<void()>& handler) {
    return AddShortcutItem(menu, window_, *this, caption, shortcut,
                           [this, handler] { guard_(handler); });
}

void TListeningMenu::ChooseContent(QAction* chosen) {
    if (chosen->isChecked()) {
        (chosen == error_ ? original_ : error_)->setChecked(false);
    }
    FollowControls();
    if (chosen->isChecked() && !listening_.Playing()) {
        SetListening(true);
    }
}

void TListeningMenu::FollowControls() {
    analysis::TStreamSettings settings = settings_();
    settings.Content = original_->isChecked() ? analysis::TStreamContent::scOriginal
                       : error_->isChecked()  ? analysis::TStreamContent::scError
                                              : analysis::TStreamContent::scCoded;
    listening_.Follow(settings);
}

void TListeningMenu::SetListening(bool on) {
    if (!on) {
        listening_.Stop();
        listen_->setChecked(false);
        return;
    }
    FollowControls();
    // Checked at once; a start that fails unchecks it again and says why (SetOnLost).
    listening_.Start();
    listen_->setChecked(true);
    lastStop_.clear();
    FollowAvailability();
}

void TListeningMenu::AddShortcutsTo(QWidget& window) {
    window.addActions({listen_, error_, original_});
}

void TListeningMenu::FollowAvailability() {
    const bool available = listening_.Playing() || listening_.OutputAvailable();
    for (QAction* item : {listen_, error_, original_}) {
        item->setEnabled(available);
    }
    if (available) {
        listen_->setToolTip(lastStop_.isEmpty() ? ListenToolTip
                                              : lastStop_ + QStringLiteral(". ") + ListenToolTip);
        error_->setToolTip(ErrorToolTip);
        original_->setToolTip(OriginalToolTip);
    } else {
        const QString why = listening_.Problem() + QStringLiteral(", so nothing can be heard.");
        for (QAction* item : {listen_, error_, original_}) {
            item->setToolTip(why);
        }
    }
}

} // namespace app
