// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include <QString>
#include <QWidget>

class QCheckBox;
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

// A small window beside the analyzer for the sound file it plays: the file's name, the time
// of the frame shown and the file's length, a position slider (a click or a drag seeks),
// "Play"/"Pause" (Space), "Loop start" and "Loop end" (set at the current position) and
// "Loop". From the keyboard: the arrows seek by SeekSmallStepSeconds, Page Up/Page Down by
// SeekLargeStepSeconds, Home and End go to the ends. Every control is focusable and named for
// screen readers.
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
    void SetLoopStart();
    void SetLoopEnd();
    void SetLooping(bool on);
    // Loops from `begin` to `end` (samples, clamped to the file) and goes to `begin`.
    void PlayRegion(std::int64_t begin, std::int64_t end);

    QLabel& TimeLabel() { return *time_; }
    QSlider& PositionSlider() { return *position_; }
    QPushButton& PlayButton() { return *play_; }
    QCheckBox& LoopBox() { return *loop_; }

private:
    sound::TSourcePlayer& player_;
    QLabel* time_ = nullptr;
    QSlider* position_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* loopStart_ = nullptr;
    QPushButton* loopEnd_ = nullptr;
    QCheckBox* loop_ = nullptr;
    // The loop region as the user set its ends, in samples; kept while "Loop" is off.
    std::int64_t loopBegin_ = 0;
    std::int64_t loopEndSample_ = 0;
    bool following_ = false; // set while Follow moves the slider, which is then not a seek
};

} // namespace app
