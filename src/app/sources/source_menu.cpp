// SPDX-License-Identifier: GPL-3.0-or-later
#include "source_menu.h"

#include "app/common/shortcut_item.h"
#include "live_input.h"
#include "source_window.h"
#include "sound/source_player.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QSettings>
#include <QVariant>
#include <QWidget>

#include <stdexcept>
#include <system_error>
#include <vector>

namespace app {
namespace {

namespace fs = std::filesystem;

// The recent files: as text while every name is UTF-8, else each name's bytes.
const QString RecentFilesKey = QStringLiteral("sources/recent_files");
const QString LiveToolTip = QStringLiteral(
    "Records an input of the sound server: a microphone or line input, or an output's monitor "
    "(what the desktop plays). The level slider is its gain.");

// An input's caption: its description, and for a monitor whose description does not say so,
// that it is one.
QString LiveCaption(const sound::TInputDevice& device) {
    const QString description = QString::fromStdString(device.Description);
    return device.Monitor && !description.startsWith(QStringLiteral("Monitor of "))
               ? QStringLiteral("Monitor of ") + description
               : description;
}

// A name's last part as shown.
QString ShownName(const fs::path& path) {
    return QFile::decodeName(path.filename().c_str());
}

// The bytes of the file a name as Qt shows it stands for. Qt shows the bytes of a name that
// is not UTF-8 as U+FFFD, which comes back as other bytes: such a part of the path is the one
// entry of its folder that shows as it does. Unfound, the name as it is.
fs::path SystemName(const QString& shown) {
    const fs::path direct(QFile::encodeName(shown).toStdString());
    std::error_code error;
    if (fs::exists(fs::symlink_status(direct, error))) {
        return direct;
    }
    fs::path found;
    for (const fs::path& part : direct) {
        fs::path next = found / part;
        if (!fs::exists(fs::symlink_status(next, error))) {
            const QString wanted = QFile::decodeName(part.c_str());
            int matches = 0;
            fs::directory_iterator entry(found.empty() ? fs::path(".") : found, error);
            for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
                if (QFile::decodeName(entry->path().filename().c_str()) == wanted) {
                    next = found / entry->path().filename();
                    ++matches;
                }
            }
            if (matches != 1) {
                return direct;
            }
        }
        found = next;
    }
    return found;
}

// The recent files, newest first; an entry kept as text is a UTF-8 name.
std::vector<fs::path> RecentFiles() {
    const QVariant stored = QSettings().value(RecentFilesKey);
    const bool list = stored.typeId() == QMetaType::QVariantList || stored.typeId() == QMetaType::QStringList;
    std::vector<fs::path> recent;
    for (const QVariant& entry : list ? stored.toList() : QVariantList{stored}) {
        const QByteArray name = entry.typeId() == QMetaType::QByteArray ? entry.toByteArray()
                                                                        : QFile::encodeName(entry.toString());
        if (!name.isEmpty()) {
            recent.emplace_back(name.toStdString());
        }
    }
    return recent;
}

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
    group_ = new QActionGroup(this);
    QActionGroup* const group = group_;
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

    live_ = menu.addMenu(QStringLiteral("Live input"));
    live_->setLayoutDirection(menu.layoutDirection());
    live_->menuAction()->setToolTip(LiveToolTip);
    liveInput_ = new TLiveInput(this);
    liveInput_->SetOnDevicesChanged([this] { FillLive(); });
    liveInput_->SetOnStopped([this] { guard_([this] { LiveStopped(); }); });
    // Inputs come and go: the server is asked again whenever the menu opens.
    QObject::connect(&menu, &QMenu::aboutToShow, liveInput_, [this] { liveInput_->Refresh(); });
    FillLive();
    liveInput_->Refresh();
}

TSourceMenu::~TSourceMenu() {
    // The window reads the player; it goes first.
    delete window_.data();
}

TSourceWindow* TSourceMenu::Window() {
    return window_.data();
}

analysis::TSampleSource* TSourceMenu::FrameSource() {
    if (player_) {
        return &player_->FrameSource();
    }
    return liveInput_->Recording() ? &liveInput_->FrameSource() : nullptr;
}

sound::THeardSource* TSourceMenu::HeardSource() {
    if (player_) {
        return player_.get();
    }
    return liveInput_->Recording() ? &liveInput_->HeardSource() : nullptr;
}

void TSourceMenu::FrameShown() {
    if (!window_.isNull()) {
        window_->Follow();
    }
}

QString TSourceMenu::FileName() const {
    return ShownName(path_);
}

void TSourceMenu::OpenFile(const QString& path) {
    OpenFile(SystemName(path));
}

void TSourceMenu::OpenFile(const fs::path& path) {
    std::unique_ptr<sound::TSourcePlayer> player;
    try {
        player = std::make_unique<sound::TSourcePlayer>(std::make_unique<sound::TFilePlayback>(path));
    } catch (const sound::TSoundFileError& error) {
        throw std::runtime_error("Cannot read \"" + ShownName(path).toStdString() + "\": " + error.what());
    }
    ChooseTone(); // the old file's window and player go
    player_ = std::move(player);
    path_ = path;
    window_ = new TSourceWindow(&parent_, *player_, ShownName(path));
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
    if (!player_ && !liveInput_->Recording()) {
        return;
    }
    delete window_.data();
    // Told while the old player is still there, so that whoever takes from it (listening's
    // thread) lets go of it first.
    const std::unique_ptr<sound::TSourcePlayer> leaving = std::move(player_);
    liveInput_->Stop();
    path_.clear();
    changed_();
}

void TSourceMenu::ChooseLive(const std::string& device) {
    ChooseTone(); // a file's window and player go
    liveInput_->Start(device);
    live_->menuAction()->setToolTip(LiveToolTip);
    MarkLive();
    changed_();
}

void TSourceMenu::LiveStopped() {
    live_->menuAction()->setToolTip(liveInput_->Problem() + QStringLiteral(". ") + LiveToolTip);
    tone_->setChecked(true);
    changed_();
}

void TSourceMenu::FillLive() {
    for (QAction* item : live_->actions()) {
        delete item;
    }
    std::vector<sound::TInputDevice> devices{{"", "Default input", false}};
    const std::vector<sound::TInputDevice>& offered = liveInput_->Devices();
    devices.insert(devices.end(), offered.begin(), offered.end());
    for (const sound::TInputDevice& device : devices) {
        QAction* const item = live_->addAction(device.Name.empty()
                                                   ? QStringLiteral("Default input")
                                                   : LiveCaption(device));
        item->setCheckable(true);
        item->setData(QString::fromStdString(device.Name));
        group_->addAction(item);
        if (!device.Name.empty()) {
            item->setToolTip(QString::fromStdString(device.Name));
        }
        QObject::connect(item, &QAction::triggered, this, [this, name = device.Name] {
            guard_([this, name] { ChooseLive(name); });
        });
    }
    MarkLive();
}

void TSourceMenu::MarkLive() {
    if (!liveInput_->Recording()) {
        return;
    }
    const QString recorded = QString::fromStdString(liveInput_->Device());
    for (QAction* item : live_->actions()) {
        if (item->data().toString() == recorded) {
            item->setChecked(true);
        }
    }
}

void TSourceMenu::AskForFile() {
    const QString path = QFileDialog::getOpenFileName(
        &parent_, QStringLiteral("Sound file"), QString(),
        QStringLiteral("Sound files (*.wav *.aif *.aiff *.flac *.ogg *.oga *.opus *.mp3 *.au "
                       "*.caf *.w64);;All files (*)"));
    if (path.isEmpty()) {
        if (liveInput_->Recording()) {
            MarkLive();
        } else {
            (player_ ? file_ : tone_)->setChecked(true);
        }
        return;
    }
    OpenFile(path);
}

void TSourceMenu::Remember(const fs::path& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error).lexically_normal();
    std::vector<fs::path> recent{absolute};
    for (const fs::path& earlier : RecentFiles()) {
        if (earlier != absolute && recent.size() < RecentFileCount) {
            recent.push_back(earlier);
        }
    }
    QStringList texts;
    QVariantList names;
    bool text = true;
    for (const fs::path& name : recent) {
        const QByteArray bytes = QByteArray::fromStdString(name.string());
        texts.append(QFile::decodeName(bytes));
        names.append(bytes);
        text = text && QFile::encodeName(texts.back()) == bytes;
    }
    QSettings().setValue(RecentFilesKey, text ? QVariant(texts) : QVariant(names));
}

void TSourceMenu::FillRecent() {
    recent_->clear();
    const std::vector<fs::path> recent = RecentFiles();
    for (const fs::path& path : recent) {
        QAction* const item = recent_->addAction(ShownName(path));
        item->setToolTip(QFile::decodeName(path.c_str()));
        QObject::connect(item, &QAction::triggered, this,
                         [this, path] { guard_([this, path] { OpenFile(path); }); });
    }
    recent_->setEnabled(!recent.empty());
}

} // namespace app
