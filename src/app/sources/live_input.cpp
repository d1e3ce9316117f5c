// SPDX-License-Identifier: GPL-3.0-or-later
#include "live_input.h"

#include "analysis/frames/analyzer_state.h"
#include "app/common/thread_handover.h"

#include <QCoreApplication>

namespace app {
namespace {

// The name the sound server lists the program under.
std::string ClientName() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? std::string("orvex") : name.toStdString();
}

// Listening waits for a request's worth and a recording fragment before it plays live input
// (so that the next fragment comes before the next request), and drops what lies more than
// two fragments beyond that: what is heard is about 130 ms behind what is recorded, and never
// more than 170 ms, the listening queue's 80 ms included.
constexpr std::size_t LivePrimeSamples = sound::ListeningRequestSamples + sound::LiveFragmentSamples;
constexpr std::size_t LiveMostSamples = LivePrimeSamples + 2 * sound::LiveFragmentSamples;

} // namespace

TLiveInput::TLiveInput(QObject* parent)
    : QObject(parent), queue_(LivePrimeSamples, LiveMostSamples) {}

TLiveInput::~TLiveInput() {
    Stop();
}

void TLiveInput::Refresh() {
    if (asking_) {
        return;
    }
    asking_ = true;
    // The last asker has answered, so this joins at once.
    asker_ = std::jthread([this, name = ClientName()] {
        std::vector<sound::TInputDevice> devices;
        try {
            devices = sound::ListInputs(name);
        } catch (const sound::TSoundError&) {
            // No server, or a hung one: nothing to offer but the default input.
        }
        PostToThreadOf(*this, [this, devices = std::move(devices)] {
            asking_ = false;
            if (devices == devices_) {
                return;
            }
            devices_ = devices;
            if (onDevicesChanged_) {
                onDevicesChanged_();
            }
        });
    });
}

void TLiveInput::Start(const std::string& device) {
    Stop();
    // Afresh: the frames show silence until the first samples come.
    queue_.Clear();
    device_ = device;
    problem_.clear();
    const int start = ++starts_;
    on_ = true;
    // The news comes on the input's thread and is handed to this object's.
    const auto tell = [this, start](void (TLiveInput::*take)(int, const QString&),
                                    const std::string& text) {
        PostToThreadOf(*this, [this, take, start, text = QString::fromStdString(text)] {
            (this->*take)(start, text);
        });
    };
    try {
        input_ = std::make_unique<sound::TPulseInput>(
            sound::TInputFormat{ClientName(), analysis::SampleRate, sound::LiveFragmentSamples}, device,
            [queue = &queue_](std::span<const float> samples) { queue->Add(samples); },
            [tell](const std::string& problem) { tell(&TLiveInput::TakeStart, problem); },
            [tell](const std::string& why) { tell(&TLiveInput::Lose, why); });
    } catch (const sound::TSoundError& error) {
        // Told as a start that failed later is, so that the caller meets one route.
        tell(&TLiveInput::TakeStart, error.what());
    }
}

void TLiveInput::TakeStart(int start, const QString& problem) {
    if (start != starts_ || !on_ || problem.isEmpty()) {
        return;
    }
    // A device named (as on the command line) is said with the reason; the default input
    // is what the server chose.
    problem_ = (device_.empty() ? QStringLiteral("Live input")
                                : QStringLiteral("Live input '%1'").arg(QString::fromStdString(device_))) +
               QStringLiteral(" would not start: ") + problem;
    Stop();
    if (onStopped_) {
        onStopped_();
    }
}

void TLiveInput::Lose(int start, const QString& why) {
    if (start != starts_ || !on_) {
        return;
    }
    problem_ = QStringLiteral("Live input stopped: ") + why;
    Stop();
    if (onStopped_) {
        onStopped_();
    }
}

void TLiveInput::Stop() {
    on_ = false;
    input_.reset();
}

} // namespace app
