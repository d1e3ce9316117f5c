// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/tone_stream.h"

#include <functional>
#include <memory>

#include <QObject>
#include <QString>

class QAudioSink;
class QMediaDevices;

namespace app {

class TSoundMessages;
class TToneDevice;

// The device buffer asked of the sound output, in bytes of 32-bit samples at 16000 Hz:
// 100 ms. Qt 6.4's output into a PulseAudio null sink played without a gap from 3,600 bytes
// (56 ms) up and played nothing at 3,200; the rest leaves room for a busy UI thread, which
// is the thread that feeds Qt's output, while a change is still heard within about 70 ms.
inline constexpr int ListeningBufferBytes = 6400;

// Plays the tone through the desktop's sound server as TToneStream makes it: 32-bit float,
// one channel, 16000 samples per second, pulled by the sound output on its own clock.
// Every call is for the thread the object lives in. Nothing here shows a box or writes to
// a stream: what fails is said in Problem().
class TListening : public QObject {
public:
    explicit TListening(QObject* parent = nullptr);
    ~TListening() override;

    // Whether a sound output is there to play to; if not, Problem() says why.
    bool OutputAvailable() const;

    // Starts playing from the stream's clock as it stands. Returns false, playing nothing,
    // if no output takes the stream; Problem() then says why.
    bool Start();
    // Stops at once; the stream's clock stays where it is.
    void Stop();
    bool Playing() const;

    // What to play from the next block on.
    void Follow(const analysis::TStreamSettings& settings);
    const analysis::TToneStream& Stream() const;

    // Why the last start failed, why playing stopped by itself, or why no output is there.
    QString Problem() const { return problem_; }

    // Called once, after the fact, when playing stops by itself (the server went away).
    void SetOnLost(std::function<void()> onLost) { onLost_ = std::move(onLost); }
    // Called when the system's sound outputs change, so that availability may have changed.
    void SetOnOutputsChanged(std::function<void()> onChanged) {
        onOutputsChanged_ = std::move(onChanged);
    }

private:
    void FollowSinkState();

    std::unique_ptr<TSoundMessages> messages_;
    std::unique_ptr<TToneDevice> device_;
    QMediaDevices* devices_ = nullptr; // owned as a child
    QAudioSink* sink_ = nullptr;       // owned as a child while playing
    mutable QString problem_;
    std::function<void()> onLost_;
    std::function<void()> onOutputsChanged_;
};

} // namespace app
