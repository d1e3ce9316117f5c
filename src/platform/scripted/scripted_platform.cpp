// SPDX-License-Identifier: GPL-3.0-or-later
#include "scripted_platform.h"

#include "platform/timer_base.h"
#include "scripted_control_host.h"

#include <algorithm>
#include <cassert>
#include <exception>
#include <optional>
#include <utility>

namespace platform::scripted {

using std::chrono::milliseconds;

namespace {

// Plausible desktop values; tests set their own where it matters.
constexpr std::array<TColor, SystemColorCount> DefaultSystemColors = {
    RGB(200, 200, 200), // siScrollBar
    RGB(240, 240, 240), // siButtonFace
    RGB(160, 160, 160), // siButtonShadow
    RGB(255, 255, 255), // siButtonHighlight
    RGB(100, 100, 100), // siWindowFrame
};

} // namespace

// A timer of the scripted platform. While armed it is due at `dueAt_`; when the clock
// reaches that moment a tick becomes outstanding (at most one) and the next due moment is
// the first period boundary after the clock.
class TScriptedTimer : public TTimerBase {
public:
    explicit TScriptedTimer(TScriptedPlatform& platform) : platform_(platform) {
        platform_.timers_.push_back(this);
    }

    ~TScriptedTimer() override { std::erase(platform_.timers_, this); }

    TScriptedTimer(const TScriptedTimer&) = delete;
    TScriptedTimer& operator=(const TScriptedTimer&) = delete;

private:
    friend class TScriptedPlatform;

    void Arm() override {
        outstanding_ = false;
        dueAt_ = platform_.now_ + Interval();
    }

    void Disarm() override { outstanding_ = false; }

    void RunHandler(const std::function<void()>& handler) override { platform_.Run(handler); }

    // Makes a tick outstanding if the clock has reached the due moment.
    void Update(milliseconds now) {
        if (!IsArmed() || now < dueAt_) {
            return;
        }
        if (!outstanding_) {
            outstanding_ = true;
            outstandingSince_ = dueAt_;
        }
        const auto periodsPassed = (now - dueAt_) / Interval() + 1;
        dueAt_ += periodsPassed * Interval();
    }

    // Delivers the outstanding tick. The timer may be gone when it returns.
    void Tick() {
        outstanding_ = false;
        DeliverTick();
    }

    TScriptedPlatform& platform_;
    milliseconds dueAt_{0};
    bool outstanding_ = false;
    milliseconds outstandingSince_{0};
};

TScriptedPlatform::TScriptedPlatform() : systemColors_(DefaultSystemColors) {}

TScriptedPlatform::~TScriptedPlatform() {
    // Timers and hosts must be gone before their platform.
    assert(timers_.empty());
    assert(hosts_.empty());
}

std::unique_ptr<ITimer> TScriptedPlatform::CreateTimer() {
    return std::make_unique<TScriptedTimer>(*this);
}

void TScriptedPlatform::ProcessMessages() {
    while (DispatchOne()) {
    }
}

void TScriptedPlatform::Sleep(milliseconds duration) {
    assert(duration.count() >= 0);
    now_ += duration;
}

TColor TScriptedPlatform::SystemColor(SystemColorIndex index) const {
    return systemColors_[static_cast<std::size_t>(index)];
}

void TScriptedPlatform::ShowErrorBox(std::string_view message) {
    errorBoxes_.emplace_back(message);
}

void TScriptedPlatform::RunFor(milliseconds duration) {
    assert(duration.count() >= 0);
    const milliseconds end = now_ + duration;
    for (;;) {
        ProcessMessages();
        // Every armed timer is now due strictly after the clock.
        std::optional<milliseconds> next;
        for (const TScriptedTimer* timer : timers_) {
            if (timer->IsArmed() && (!next || timer->dueAt_ < *next)) {
                next = timer->dueAt_;
            }
        }
        if (!next || *next > end) {
            break;
        }
        now_ = *next;
    }
    now_ = std::max(now_, end);
    ProcessMessages();
}

void TScriptedPlatform::Post(std::function<void()> message) {
    Post(nullptr, std::move(message));
}

void TScriptedPlatform::SetSystemColor(SystemColorIndex index, TColor color) {
    assert(!IsSystemColor(color));
    systemColors_[static_cast<std::size_t>(index)] = color;
}

bool TScriptedPlatform::DispatchOne() {
    if (!posted_.empty()) {
        const std::function<void()> message = std::move(posted_.front().run);
        posted_.pop_front();
        Run(message);
        return true;
    }
    for (TScriptedControlHost* host : hosts_) {
        if (host->needsPaint_) {
            Run([host] { host->DeliverPaint(PaintReason::prInvalidated); });
            return true;
        }
    }
    UpdateDueTimers();
    TScriptedTimer* due = nullptr;
    for (TScriptedTimer* timer : timers_) {
        if (timer->outstanding_ && (!due || timer->outstandingSince_ < due->outstandingSince_)) {
            due = timer;
        }
    }
    if (due == nullptr) {
        return false;
    }
    due->Tick();
    return true;
}

void TScriptedPlatform::Run(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowErrorBox(error.what());
    }
}

void TScriptedPlatform::UpdateDueTimers() {
    for (TScriptedTimer* timer : timers_) {
        timer->Update(now_);
    }
}

void TScriptedPlatform::Post(const void* owner, std::function<void()> message) {
    posted_.push_back({owner, std::move(message)});
}

void TScriptedPlatform::RemovePosted(const void* owner) {
    std::erase_if(posted_, [owner](const TPostedMessage& m) { return m.owner == owner; });
}

} // namespace platform::scripted
