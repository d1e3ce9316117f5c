// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames_progress.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace tools {
namespace {

// A run shorter than this shows no percentage, so a short one does not flicker.
constexpr std::chrono::seconds QuietStart{1};
constexpr std::chrono::milliseconds TellingInterval{250};
// Back to the line's start, and the line cleared.
constexpr const char* ClearLine = "\r\033[K";

} // namespace

bool FramesProgress::OnTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

FramesProgress::FramesProgress(std::string doing, long long total)
    : doing_(std::move(doing)), total_(total), terminal_(OnTerminal()),
      start_(std::chrono::steady_clock::now()), told_(start_) {}

FramesProgress::~FramesProgress() {
    if (shown_) {
        std::fputs(ClearLine, stderr);
    }
}

void FramesProgress::ShowNow() {
    if (terminal_) {
        const std::scoped_lock guard(lock_);
        Show("");
    }
}

void FramesProgress::Advance(long long steps) {
    if (!terminal_ || total_ <= 0) {
        return;
    }
    const std::scoped_lock guard(lock_);
    done_ += steps;
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < QuietStart || now - told_ < TellingInterval) {
        return;
    }
    told_ = now;
    char percent[32];
    std::snprintf(percent, sizeof percent, ": %lld %%", std::min(done_, total_) * 100 / total_);
    Show(percent);
}

void FramesProgress::Show(const char* percent) {
    shown_ = true;
    std::fprintf(stderr, "%sorvex-frames: %s%s", ClearLine, doing_.c_str(), percent);
    std::fflush(stderr);
}

} // namespace tools
