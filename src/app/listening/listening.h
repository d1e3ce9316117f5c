// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/frames/tone_stream.h"
#include "sound/pulse_output.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

#include <QObject>
#include <QString>

class QTimer;

namespace sound {
class THeardSource;
} // namespace sound

namespace app {

// The listening queue's lengths are the sound library's (ListeningQueueSamples and
// ListeningRequestSamples), since live input keeps its own queue to match them.
using sound::ListeningQueueSamples;
using sound::ListeningRequestSamples;

// While no output is there, how often the sound server is asked again, in milliseconds:
// a server that comes back is seen within this time.
inline constexpr int OutputRecheckMs = 2000;
// What Problem() says from the start until the server's first answer comes: the first
// question is asked as the window is made, on a thread of its own like every later one, so
// that nothing about sound delays the window.
inline constexpr const char* NotAnsweredYet = "The sound server has not answered yet";

// Plays the source through the desktop's sound server: the tone as TToneStream makes it, or a
// sound file's or live input's samples as their THeardSource hands them to the device, coded
// as the stream's settings ask (PlayRecorded); 32-bit float, one channel, 16000 samples per
// second, on the sound device's clock. While a file or live input is heard, it moves on the
// device's clock and the frames show what is heard; otherwise it moves on the frames'. Every call is for the thread
// the object lives in; the samples are made on the output's thread. Nothing here shows a box
// or writes to a stream: what fails is said in Problem().
class TListening : public QObject {
public:
    explicit TListening(QObject* parent = nullptr);
    ~TListening() override;

    // Whether a sound output was there to play to when the server was last asked (false until
    // its first answer); if not, Problem() says why.
    bool OutputAvailable() const { return available_; }
    // Asks the server again, on a thread of its own so that a hung server never stops the
    // window; the answer comes through the outputs-changed callback. While the answer is no
    // output, the server is asked again every OutputRecheckMs.
    void CheckOutput();

    // Starts playing from the stream's clock as it stands, in the background: returns at once
    // and never waits on the server, and Playing() holds from now on. If no output takes the
    // stream, playing stops by itself as on a loss (SetOnLost), Problem() says why, and the
    // server is asked again at once whether an output is there.
    void Start();
    // Stops at once, a start still under way too; the stream's clock stays where it is.
    void Stop();
    // Whether playing, or starting to.
    bool Playing() const { return state_ != TState::stStopped; }

    // What to play from the next block on: the content and mode apply to any source, the
    // level to a file as its gain.
    void Follow(const analysis::TStreamSettings& settings);
    // Plays `source` (a sound file, live input) from the next block on instead of the tone, or
    // the tone again if null. The source must stay until it is replaced here (the block being
    // filled from it is finished before this returns); while playing, its clock is the
    // device's.
    void SetSource(sound::THeardSource* source);
    const analysis::TToneStream& Stream() const { return stream_; }

    // Why the last start failed, why playing stopped by itself, or why no output is there.
    QString Problem() const { return problem_; }

    // Called once, after the fact, when playing stops by itself: the start failed, or the
    // server went away.
    void SetOnLost(std::function<void()> onLost) { onLost_ = std::move(onLost); }
    // Called with every answer CheckOutput() brings, and when a start succeeds.
    void SetOnOutputsChanged(std::function<void()> onChanged) {
        onOutputsChanged_ = std::move(onChanged);
    }

private:
    // The unit test hands the news of a start or a loss over itself, out of order.
    friend struct TListeningTestAccess;

    enum class TState { stStopped, stStarting, stPlaying };

    // The news of start number `start`, on this object's thread: an empty problem once it
    // plays.
    void TakeStart(int start, const QString& problem);
    void Lose(int start, const QString& why);
    void TakeAnswer(const QString& problem);
    // On the output's thread: the next samples of the source.
    void Fill(std::span<float> out);
    // Hands the source, if one plays, to the device's clock or back to the frames'.
    void ClockSource();

    analysis::TToneStream stream_;
    // The source played instead of the tone, or null; written on this object's thread under the
    // lock, which the output's thread holds while it fills a block from it.
    sound::THeardSource* player_ = nullptr;
    std::mutex playerMutex_;
    std::unique_ptr<sound::TPulseOutput> output_;
    TState state_ = TState::stStopped;
    // Counts the starts, so that news of an output already stopped is not taken for the
    // present one's.
    int starts_ = 0;
    QTimer* recheck_ = nullptr; // owned as a child
    bool available_ = false;
    bool asking_ = false;
    QString problem_;
    std::function<void()> onLost_;
    std::function<void()> onOutputsChanged_;
    // Last, so that it is joined before anything its answer would touch is gone.
    std::jthread asker_;
};

} // namespace app
