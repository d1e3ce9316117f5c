// SPDX-License-Identifier: GPL-3.0-or-later
#include "source_menu.h"

#include "app/common/shortcut_item.h"
#include "source_window.h"
#include "sound/source_player.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QWidget>

#include <stdexcept>

namespace app {
namespace {

const QString RecentFilesKey = QStringLiteral("sources/recent_files");

// Goes back to the tone when the source window is closed.
class TCloseWatcher : public QObject {
public:
    TCloseWatcher(QObject* parent, std::function<void()> closed)
        : QObject(parent), closed_(std::move(closed)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            closed_();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> closed_;
};

} // namespace

TSourceMenu::TSourceMenu(QMenu& menu, QWidget& window, std::function<void()> changed,
                         std::function<void(const std::function<void()>&)> guard)
    : QObject(&menu), parent_(window), changed_(std::move(changed)), guard_(std::move(guard)) {
    menu.addSeparator();
    auto* const group = new QActionGroup(this);
    tone_ = menu.addAction(QStringLiteral("Tone"));
    tone_->setCheckable(true);
    tone_->setChecked(true);
    group->addAction(tone_);
    QObject::connect(tone_, &QAction::triggered, this, [this] { guard_([this] { ChooseTone(); }); });
    // The dialog runs a loop of its own: it opens once the item's handler has returned, so that
    // whatever chose the item (a screen reader, too) hears back at once.
    file_ = AddShortcutItem(menu, parent_, *this, QStringLiteral("Sound file..."),
                            QStringLiteral("Ctrl+O"), [this] {
                                QMetaObject::invokeMethod(
                                    this, [this] { guard_([this] { AskForFile(); }); },
                                    Qt::QueuedConnection);
                            });
    file_->setCheckable(true);
    group->addAction(file_);
    recent_ = menu.addMenu(QStringLiteral("Recent sound files"));
    // A pop-up is a window of its own and takes the menu's direction, not the desktop's.
    recent_->setLayoutDirection(menu.layoutDirection());
    QObject::connect(recent_, &QMenu::aboutToShow, this, [this] { FillRecent(); });
    FillRecent();
}

TSourceMenu::~TSourceMenu() {
    // The window reads the player; it goes first.
    delete window_.data();
}

TSourceWindow* TSourceMenu::Window() {
    return window_.data();
}

analysis::TSampleSource* TSourceMenu::FrameSource() {
    return player_ ? &player_->FrameSource() : nullptr;
}

void TSourceMenu::FrameShown() {
    if (!window_.isNull()) {
        window_->Follow();
    }
}

void TSourceMenu::OpenFile(const QString& path) {
    std::unique_ptr<sound::TSourcePlayer> player;
    try {
        player = std::make_unique<sound::TSourcePlayer>(
            std::make_unique<sound::TFilePlayback>(QFile::encodeName(path).toStdString()));
    } catch (const sound::TSoundFileError& error) {
        throw std::runtime_error("Cannot read \"" + QFileInfo(path).fileName().toStdString() +
                                 "\": " + error.what());
    }
    ChooseTone(); // the old file's window and player go
    player_ = std::move(player);
    path_ = path;
    window_ = new TSourceWindow(&parent_, *player_, QFileInfo(path).fileName());
    window_->installEventFilter(new TCloseWatcher(window_, [this] {
        QMetaObject::invokeMethod(this, [this] { guard_([this] { ChooseTone(); }); },
                                  Qt::QueuedConnection);
    }));
    window_->show();
    file_->setChecked(true);
    Remember(path);
    changed_();
}

void TSourceMenu::ChooseTone() {
    tone_->setChecked(true);
    if (!player_) {
        return;
    }
    delete window_.data();
    player_.reset();
    path_.clear();
    changed_();
}

void TSourceMenu::AskForFile() {
    const QString path = QFileDialog::getOpenFileName(
        &parent_, QStringLiteral("Sound file"), QString(),
        QStringLiteral("Sound files (*.wav *.aif *.aiff *.flac *.ogg *.oga *.opus *.mp3 *.au "
                       "*.caf *.w64);;All files (*)"));
    if (path.isEmpty()) {
        (player_ ? file_ : tone_)->setChecked(true);
        return;
    }
    OpenFile(path);
}

void TSourceMenu::Remember(const QString& path) {
    QSettings settings;
    QStringList recent = settings.value(RecentFilesKey).toStringList();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    while (recent.size() > RecentFileCount) {
        recent.removeLast();
    }
    settings.setValue(RecentFilesKey, recent);
}

void TSourceMenu::FillRecent() {
    recent_->clear();
    const QStringList recent = QSettings().value(RecentFilesKey).toStringList();
    for (const QString& path : recent) {
        QAction* const item = recent_->addAction(QFileInfo(path).fileName());
        item->setToolTip(path);
        QObject::connect(item, &QAction::triggered, this,
                         [this, path] { guard_([this, path] { OpenFile(path); }); });
    }
    recent_->setEnabled(!recent.isEmpty());
}

} // namespace app
