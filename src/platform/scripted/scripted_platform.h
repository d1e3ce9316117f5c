// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/geometry.h"
#include "platform/platform.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::scripted {

class TScriptedControlHost;
class TScriptedTimer;

// A windowing system run by the test itself. Time stands still except when the script
// moves it (RunFor) or a handler sleeps; messages wait in a queue until ProcessMessages or
// RunFor dispatches them, in this order: posted messages first (oldest first), then paints
// of windows needing paint, then due timer ticks (the earliest due first). An error
// escaping a message is shown in an error box (recorded in ErrorBoxes) and dispatching
// goes on, as in the real message loop.
class TScriptedPlatform : public IPlatform {
public:
    TScriptedPlatform();
    ~TScriptedPlatform() override;
    TScriptedPlatform(const TScriptedPlatform&) = delete;
    TScriptedPlatform& operator=(const TScriptedPlatform&) = delete;

    std::unique_ptr<ITimer> CreateTimer() override;
    void ProcessMessages() override;
    // Moves the clock forward by `duration` and dispatches nothing.
    void Sleep(std::chrono::milliseconds duration) override;
    TColor SystemColor(SystemColorIndex index) const override;
    // Records the message instead of showing it.
    void ShowErrorBox(std::string_view message) override;

    // The manual clock: milliseconds since the platform was created.
    std::chrono::milliseconds Now() const { return now_; }

    // Lets the message loop run for `duration`: dispatches everything pending, then moves
    // the clock from one timer's due moment to the next within the duration, dispatching
    // at each, and finally dispatches at the end of the duration.
    void RunFor(std::chrono::milliseconds duration);

    // Queues a message; it runs when the loop next dispatches, behind those already waiting.
    void Post(std::function<void()> message);
    std::size_t PostedCount() const { return posted_.size(); }

    // The pointer's screen position, which hosts map to their client coordinates.
    void SetPointer(TPoint screenPosition) { pointer_ = screenPosition; }
    TPoint Pointer() const { return pointer_; }

    void SetSystemColor(SystemColorIndex index, TColor color);

    const std::vector<std::string>& ErrorBoxes() const { return errorBoxes_; }

private:
    friend class TScriptedControlHost;
    friend class TScriptedTimer;

    struct TPostedMessage {
        const void* owner; // removed with its owner; nullptr for the script's own messages
        std::function<void()> run;
    };

    bool DispatchOne();
    void Run(const std::function<void()>& handler);
    void UpdateDueTimers();
    void Post(const void* owner, std::function<void()> message);
    void RemovePosted(const void* owner);

    std::chrono::milliseconds now_{0};
    std::deque<TPostedMessage> posted_;
    std::vector<TScriptedTimer*> timers_;      // in creation order
    std::vector<TScriptedControlHost*> hosts_; // in creation order
    TScriptedControlHost* capture_ = nullptr;  // the host holding the mouse capture
    TPoint pointer_;
    std::array<TColor, SystemColorCount> systemColors_;
    std::vector<std::string> errorBoxes_;
};

} // namespace platform::scripted
