// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/pulse_input.h"
#include "sound/live_queue.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QObject>
#include <QString>

namespace app {

// Live input as the window records it: an input of the desktop's sound server (its default,
// a device, an output's monitor) whose latest samples the frames show. The inputs the server
// offers are asked for in the background, so that a hung server never stops the window; a
// start that fails and a recording that ends by itself come back as one line (Problem()).
// Every call is for the thread the object lives in.
class TLiveInput : public QObject {
public:
    explicit TLiveInput(QObject* parent = nullptr);
    ~TLiveInput() override;

    // The inputs the server offered when last asked; empty if none, or no server.
    const std::vector<sound::TInputDevice>& Devices() const { return devices_; }
    // Asks the server again, on a thread of its own; an answer that differs from the last
    // comes through the devices-changed callback. A question still unanswered is not asked
    // twice.
    void Refresh();
    void SetOnDevicesChanged(std::function<void()> changed) { onDevicesChanged_ = std::move(changed); }

    // Starts recording `device` (a device's Name; empty for the default input) in the
    // background, from silence; Recording() holds from now on.
    void Start(const std::string& device);
    // Stops at once, a start still under way too.
    void Stop();
    bool Recording() const { return on_; }
    const std::string& Device() const { return device_; }

    // Where the frames take their samples: the latest recorded, or while heard what is heard.
    analysis::TSampleSource& FrameSource() { return queue_; }
    // What listening plays: every recorded sample in order, through a short queue.
    sound::THeardSource& HeardSource() { return queue_; }
    // The latest ten seconds recorded, for the coders' figures.
    const sound::TRecentSamples& Recent() const { return queue_.Recent(); }

    // Why the last start failed or the last recording stopped by itself.
    QString Problem() const { return problem_; }
    // Called once, after the fact, when recording stops by itself.
    void SetOnStopped(std::function<void()> stopped) { onStopped_ = std::move(stopped); }

private:
    void TakeStart(int start, const QString& problem);
    void Lose(int start, const QString& why);

    std::vector<sound::TInputDevice> devices_;
    std::function<void()> onDevicesChanged_;
    std::function<void()> onStopped_;
    // One for the object's life, so that listening may keep hold of it across starts.
    sound::TLiveQueue queue_;
    std::string device_;
    QString problem_;
    // Counts the starts, so that news of an input already stopped is not taken for the
    // present one's.
    int starts_ = 0;
    bool asking_ = false;
    bool on_ = false; // recording, or starting to
    // The input fills queue_ from its own thread: it goes first.
    std::unique_ptr<sound::TPulseInput> input_;
    // Last, so that it is joined before anything its answer would touch is gone.
    std::jthread asker_;
};

} // namespace app
