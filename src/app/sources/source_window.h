// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include <QString>
#include <QWidget>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class QSlider;

namespace sound {
class TSourcePlayer;
}

namespace app {

// Seeking steps of the source window, in seconds: the arrows, and Page Up / Page Down.
inline constexpr double SeekSmallStepSeconds = 1.0;
inline constexpr double SeekLargeStepSeconds = 10.0;
// A file no longer than this loops from the start, as a short sample is best heard.
inline constexpr double LoopByDefaultSeconds = 30.0;

// "m:ss.s" for a time in seconds; "h:mm:ss.s" from an hour on.
std::string SourceTimeText(double seconds);

// A small window beside the analyzer for the sound file it plays: the file's name (a long
// one elided in the middle, the whole of it in the tooltip and for screen readers), the time
// of the frame shown and the file's length, a position slider (a click or a drag seeks),
// "Play"/"Pause", "Loop start" and "Loop end" (set at the current position), "Loop", and a
// line saying what became of the loop (and of the length, for a file that ends sooner than it
// said). From the keyboard: a focused control answers its own keys (a button Space and
// Return, the Loop box Space); elsewhere Space plays or pauses; the arrows seek by
// SeekSmallStepSeconds, Page Up/Page Down by SeekLargeStepSeconds, Home and End go to the
// ends. Every control is focusable and named for screen readers.
class TSourceWindow : public QWidget {
public:
    // `player` must outlive the window (its owner closes the window before dropping it).
    TSourceWindow(QWidget* parent, sound::TSourcePlayer& player, const QString& name);

    // Brings the time, the slider and the buttons up to date with the player; the main
    // window calls this after every frame.
    void Follow();
    // Moves by `seconds` (negative backwards), clamped to the file.
    void SeekBy(double seconds);
    void SeekTo(std::int64_t sample);
    void TogglePlaying();
    // Set the loop's end at the current position. One set beyond the other end swaps the
    // two; one set at the other end is refused, as a loop needs a length. Either is said in
    // the status line.
    void SetLoopStart();
    void SetLoopEnd();
    void SetLooping(bool on);
    // Loops from `begin` to `end` (samples, clamped to the file) and goes to `begin`.
    void PlayRegion(std::int64_t begin, std::int64_t end);

    QLabel& TimeLabel() { return *time_; }
    QSlider& PositionSlider() { return *position_; }
    QPushButton& PlayButton() { return *play_; }
    QPushButton& LoopStartButton() { return *loopStart_; }
    QPushButton& LoopEndButton() { return *loopEnd_; }
    QCheckBox& LoopBox() { return *loop_; }
    QLabel& NameLabel() { return *name_; }
    QLabel& Status() { return *status_; }

protected:
    // Space plays or pauses where no focused control took it.
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class TLoopEnd { leStart, leEnd };
    void SetLoopEndAt(TLoopEnd end, std::int64_t sample);
    // "Loop 0:01.0 to 0:02.0" for the region set.
    QString LoopText() const;

    sound::TSourcePlayer& player_;
    QLabel* time_ = nullptr;
    QSlider* position_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* loopStart_ = nullptr;
    QPushButton* loopEnd_ = nullptr;
    QCheckBox* loop_ = nullptr;
    QLabel* name_ = nullptr;
    QLabel* status_ = nullptr;
    // The file's length the window shows, in samples: it shrinks with the file.
    std::int64_t length_ = 0;
    // The loop region as the user set its ends, in samples; kept while "Loop" is off.
    std::int64_t loopBegin_ = 0;
    std::int64_t loopEndSample_ = 0;
    bool following_ = false; // set while Follow moves the slider, which is then not a seek
};

} // namespace app
