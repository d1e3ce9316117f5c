// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frames_options.h"

#include <string>

namespace tools {

// What the tables and charts call a recording of live input, in place of a file's name.
inline constexpr const char* LiveName = "live input";

// Live input recorded for the tool: options.WavSeconds seconds of the sound server's input
// options.LiveDevice at 16000 Hz, held in memory as a 16000 Hz mono 32-bit float WAV file,
// which is then read as an --input file is (every sample its own, as recorded). Tells its
// progress on a terminal.
class LiveRecording {
public:
    // Records now, for as long as asked. Throws InputError with the one line for standard
    // error if the server cannot be reached, refuses the input, or the input goes away.
    explicit LiveRecording(const FramesOptions& options);
    ~LiveRecording();
    LiveRecording(const LiveRecording&) = delete;
    LiveRecording& operator=(const LiveRecording&) = delete;

    // The name under which the recording opens as a file while this lives.
    const std::string& Path() const { return path_; }

private:
    void Record(const FramesOptions& options);

    int descriptor_ = -1;
    std::string path_;
};

} // namespace tools
