// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <mutex>
#include <string>

namespace tools {

// Tells how far a long run has come, on standard error when it is a terminal: after the
// first second, at most four times a second, as one line ("orvex-frames: DOING: 42 %") that
// is rewritten and cleared when the progress ends. Nothing at all when standard error is not
// a terminal, so a script or a pipe sees only the report and the errors. Several threads may
// advance it at once.
class FramesProgress {
public:
    // Work of `total` steps, told as `doing` ("writing the sound").
    FramesProgress(std::string doing, long long total);
    ~FramesProgress();
    FramesProgress(const FramesProgress&) = delete;
    FramesProgress& operator=(const FramesProgress&) = delete;

    // Whether anything is shown at all: whether standard error is a terminal.
    static bool OnTerminal();
    // Shows the line at once, before any step is done, for work that may take long enough
    // that the user should learn its size (and so why it takes long) first.
    void ShowNow();
    // Counts `steps` more done.
    void Advance(long long steps);

private:
    void Show(const char* percent);

    const std::string doing_;
    const long long total_;
    const bool terminal_;
    std::mutex lock_; // over the rest
    long long done_ = 0;
    bool shown_ = false;
    const std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point told_;
};

} // namespace tools
