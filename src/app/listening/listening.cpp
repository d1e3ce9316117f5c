// SPDX-License-Identifier: GPL-3.0-or-later
#include "listening.h"

#include "analysis/frames/analyzer_state.h"
#include "app/common/thread_handover.h"
#include "sound/pulse_output.h"
#include "sound/heard_source.h"

#include <span>
#include <string>

#include <QCoreApplication>
#include <QTimer>

namespace app {
namespace {

// The name the sound server lists the program under.
std::string ClientName() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? std::string("orvex") : name.toStdString();
}

} // namespace

TListening::TListening(QObject* parent) : QObject(parent), recheck_(new QTimer(this)) {
    recheck_->setInterval(OutputRecheckMs);
    QObject::connect(recheck_, &QTimer::timeout, this, [this] { CheckOutput(); });
    // Asked in the background like every later question, so that a hung server never delays
    // the window: until the answer comes the items stand disabled and say so.
    problem_ = QString::fromUtf8(NotAnsweredYet);
    CheckOutput();
}

TListening::~TListening() {
    Stop();
}

void TListening::CheckOutput() {
    if (asking_) {
        return;
    }
    asking_ = true;
    // The last asker has answered, so this joins at once.
    asker_ = std::jthread([this, name = ClientName()] {
        PostToThreadOf(*this, [this, problem = QString::fromStdString(sound::OutputProblem(name))] {
            TakeAnswer(problem);
        });
    });
}

void TListening::TakeAnswer(const QString& problem) {
    asking_ = false;
    available_ = problem.isEmpty();
    if (available_) {
        recheck_->stop();
        if (problem_ == QString::fromUtf8(NotAnsweredYet)) {
            problem_.clear();
        }
    } else {
        if (!Playing()) {
            problem_ = QStringLiteral("No sound output: ") + problem;
        }
        recheck_->start();
    }
    if (onOutputsChanged_) {
        onOutputsChanged_();
    }
}

void TListening::Start() {
    if (Playing()) {
        return;
    }
    state_ = TState::stStarting;
    // Before the output's thread exists, so that the file never has two takers.
    ClockSource();
    const int start = ++starts_;
    // The news comes on the output's thread and is handed to this object's.
    const auto tell = [this, start](void (TListening::*take)(int, const QString&),
                                    const std::string& text) {
        PostToThreadOf(*this, [this, take, start, text = QString::fromStdString(text)] {
            (this->*take)(start, text);
        });
    };
    try {
        output_ = std::make_unique<sound::TPulseOutput>(
            sound::TOutputFormat{ClientName(), analysis::SampleRate, ListeningQueueSamples,
                                 ListeningRequestSamples},
            [this](std::span<float> out) { Fill(out); },
            [tell](const std::string& problem) { tell(&TListening::TakeStart, problem); },
            [tell](const std::string& why) { tell(&TListening::Lose, why); });
    } catch (const sound::TSoundError& error) {
        // Told as a start that failed later is, so that the caller meets one route.
        tell(&TListening::TakeStart, error.what());
    }
}

void TListening::TakeStart(int start, const QString& problem) {
    if (start != starts_ || state_ != TState::stStarting) {
        return;
    }
    if (!problem.isEmpty()) {
        problem_ = QStringLiteral("The sound output would not play: ") + problem;
        Stop();
        CheckOutput();
        if (onLost_) {
            onLost_();
        }
        return;
    }
    state_ = TState::stPlaying;
    recheck_->stop();
    available_ = true;
    problem_.clear();
    if (onOutputsChanged_) {
        onOutputsChanged_();
    }
}

void TListening::Stop() {
    state_ = TState::stStopped;
    // The output's thread has taken its last block when this returns.
    output_.reset();
    ClockSource();
}

void TListening::SetSource(sound::THeardSource* player) {
    sound::THeardSource* const previous = player_;
    {
        const std::lock_guard lock(playerMutex_);
        player_ = player;
    }
    if (previous != nullptr) {
        previous->SetClock(sound::TSourceClock::scFrames);
    }
    ClockSource();
}

void TListening::ClockSource() {
    if (player_ == nullptr) {
        return;
    }
    // The latest sample the device took is heard once the server's queue ahead of it has
    // played.
    player_->SetHeardDelay(ListeningQueueSamples);
    player_->SetClock(Playing() ? sound::TSourceClock::scDevice : sound::TSourceClock::scFrames);
}

void TListening::Fill(std::span<float> out) {
    const std::lock_guard lock(playerMutex_);
    if (player_ == nullptr) {
        stream_.Fill(out);
        return;
    }
    player_->TakeForDevice(out);
    analysis::PlayRecorded(out, stream_.Settings());
}

void TListening::Follow(const analysis::TStreamSettings& settings) {
    stream_.Change(settings);
}

void TListening::Lose(int start, const QString& why) {
    if (start != starts_ || state_ != TState::stPlaying) {
        return;
    }
    problem_ = QStringLiteral("Listening stopped: ") + why;
    Stop();
    CheckOutput();
    if (onLost_) {
        onLost_();
    }
}

} // namespace app
