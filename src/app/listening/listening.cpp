// SPDX-License-Identifier: GPL-3.0-or-later
#include "listening.h"

#include "analysis/analyzer_state.h"
#include "app/common/thread_handover.h"
#include "sound/pulse_output.h"

#include <cfenv>
#include <span>
#include <string>

#include <QCoreApplication>
#include <QTimer>

namespace app {
namespace {

// The sound client library may leave floating-point flags raised that the window's handler
// guard would take for an error of its own; they are put back as they were before it ran.
class TForeignFloatingPoint {
public:
    TForeignFloatingPoint() { std::fegetexceptflag(&saved_, FE_ALL_EXCEPT); }
    ~TForeignFloatingPoint() { std::fesetexceptflag(&saved_, FE_ALL_EXCEPT); }
    TForeignFloatingPoint(const TForeignFloatingPoint&) = delete;
    TForeignFloatingPoint& operator=(const TForeignFloatingPoint&) = delete;

private:
    std::fexcept_t saved_{};
};

// The name the sound server lists the program under.
std::string ClientName() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? std::string("orvex") : name.toStdString();
}

} // namespace

TListening::TListening(QObject* parent) : QObject(parent), recheck_(new QTimer(this)) {
    recheck_->setInterval(OutputRecheckMs);
    QObject::connect(recheck_, &QTimer::timeout, this, [this] { CheckOutput(); });
    const TForeignFloatingPoint foreign;
    TakeAnswer(QString::fromStdString(sound::OutputProblem(ClientName(), FirstAnswerLimit)));
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

bool TListening::Start() {
    if (Playing()) {
        return true;
    }
    const TForeignFloatingPoint foreign;
    const int start = ++starts_;
    try {
        output_ = std::make_unique<sound::TPulseOutput>(
            sound::TOutputFormat{ClientName(), analysis::SampleRate, ListeningQueueSamples,
                                 ListeningRequestSamples},
            [this](std::span<float> out) { stream_.Fill(out); },
            [this, start](const std::string& why) {
                // On the output's thread: the news is handed to this object's.
                PostToThreadOf(*this, [this, start, why = QString::fromStdString(why)] {
                    Lose(start, why);
                });
            });
    } catch (const sound::TSoundError& error) {
        problem_ = QStringLiteral("The sound output would not play: ") +
                   QString::fromStdString(error.what());
        CheckOutput();
        return false;
    }
    recheck_->stop();
    problem_.clear();
    return true;
}

void TListening::Stop() {
    const TForeignFloatingPoint foreign;
    output_.reset();
}

bool TListening::Playing() const {
    return output_ != nullptr;
}

void TListening::Follow(const analysis::TStreamSettings& settings) {
    stream_.Change(settings);
}

void TListening::Lose(int start, const QString& why) {
    if (start != starts_ || !Playing()) {
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
