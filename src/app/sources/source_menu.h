// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace analysis {
class TSampleSource;
}
namespace sound {
class THeardSource;
class TSourcePlayer;
} // namespace sound

namespace app {

class TLiveInput;
class TSourceWindow;

// How many files "Recent sound files" remembers.
inline constexpr int RecentFileCount = 8;

// The spectrum menu's section for the signal: "Tone" (the synthesised tone, at start) or
// "Sound file..." (Ctrl+O: a file dialog; a file dropped on the window or named on the
// command line opens the same way), with the files opened lately under "Recent sound files".
// A file plays in a small window of its own (TSourceWindow); closing that window goes back to
// the tone. A file that cannot be read is said in a box, and the source stays as it was.
// "Live input" lists the default input and every input the sound server offers (asked
// again each time the menu opens, so a device that comes back is offered again); a start the
// server refuses, or an input that goes away, brings the tone back and says why in one line,
// the submenu's tooltip.
class TSourceMenu : public QObject {
public:
    // Adds the section to `menu` and the shortcut to `window`, the source window's parent.
    // `changed` is told after every change of source, while a file left is still open (Player()
    // is already the new source); handlers run through `guard`.
    TSourceMenu(QMenu& menu, QWidget& window, std::function<void()> changed,
                std::function<void(const std::function<void()>&)> guard);
    ~TSourceMenu() override;

    // Plays the file at `path` (the name's bytes as the system has them, whatever their
    // encoding) instead of the current source. Throws std::runtime_error with a one-line
    // message if it cannot be read (the source is then unchanged).
    void OpenFile(const std::filesystem::path& path);
    // The same for a name as Qt shows it (a dialog's or a drop's): a name that is not UTF-8
    // is found by how its folder's entries show.
    void OpenFile(const QString& path);
    // Goes back to the tone.
    void ChooseTone();
    // Records `device` (empty for the default input) instead of the current source.
    void ChooseLive(const std::string& device);

    // The file playing, or null while the tone is the source.
    sound::TSourcePlayer* Player() { return player_.get(); }
    // The path of the file playing, empty while the tone or live input is the source.
    const std::filesystem::path& FilePath() const { return path_; }
    // Its name as shown.
    QString FileName() const;
    // Where the frames take their samples from while a file plays or live input records;
    // null for the tone.
    analysis::TSampleSource* FrameSource();
    // What listening plays instead of the tone: the file playing, or live input while it
    // records; null for the tone.
    sound::THeardSource* HeardSource();
    // The frame just shown: the source window follows it.
    void FrameShown();

    QAction& ToneItem() { return *tone_; }
    QAction& FileItem() { return *file_; }
    QMenu& RecentMenu() { return *recent_; }
    QMenu& LiveMenu() { return *live_; }
    TLiveInput& LiveInput() { return *liveInput_; }
    // The source window, or null while the tone plays.
    TSourceWindow* Window();

private:
    void AskForFile();
    void Remember(const std::filesystem::path& path);
    void FillRecent();
    void FillLive();
    // Checks the item of the input recorded.
    void MarkLive();
    // Recording stopped by itself: the tone comes back, and the submenu says why.
    void LiveStopped();

    QWidget& parent_;
    std::function<void()> changed_;
    std::function<void(const std::function<void()>&)> guard_;
    QAction* tone_ = nullptr;
    QAction* file_ = nullptr;
    QMenu* recent_ = nullptr;
    QMenu* live_ = nullptr;
    QActionGroup* group_ = nullptr; // the source items, one checked
    TLiveInput* liveInput_ = nullptr; // a child
    std::unique_ptr<sound::TSourcePlayer> player_;
    std::filesystem::path path_;
    QPointer<TSourceWindow> window_;
};

} // namespace app
