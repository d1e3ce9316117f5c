// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

namespace sound {

// Why the sound server cannot be reached, or would not take or keep a stream.
class TSoundError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What is asked of the server: 32-bit float samples in the machine's byte order, one channel.
// The two sizes are in samples: TargetSamples is what the server keeps queued ahead of what
// is heard (and so about the delay from a change to hearing it), RequestSamples the least it
// asks for at once (and so how often the filling thread wakes).
struct TOutputFormat {
    std::string ClientName;
    int SampleRate = 0;
    int TargetSamples = 0;
    int RequestSamples = 0;
};

// What listening asks the sound server to keep queued ahead of what is heard, and the least
// it asks for at once, in samples at 16000 Hz: 80 ms and 30 ms. The samples are made on the
// output's own thread, so a busy window does not starve it (with both cores of a test machine
// kept busy, ten minutes played without a gap); a change is heard after about 60 ms. Requests
// of 15 ms into a 60 ms queue were heard 6 ms sooner but cost twice the wake-ups.
inline constexpr int ListeningQueueSamples = 1280;
inline constexpr int ListeningRequestSamples = 480;

// How long the server is waited for before it is taken as absent or hung.
inline constexpr std::chrono::milliseconds AnswerLimit{1500};

// Whether the desktop's sound server answers and has an output to play to: empty if so,
// else why not, as a phrase ("no sound server answers (Connection refused)"). Never starts a
// server. Blocks the calling thread for at most `limit`.
std::string OutputProblem(const std::string& clientName,
                          std::chrono::milliseconds limit = AnswerLimit);

// A stream playing on the server's default output, filled on a thread of its own as the
// server asks, so that its clock is the sound device's and a busy caller never starves it.
// Its caller never waits on the server: it starts in the background and tells how the start
// went, and it stops at once.
//
// Made on one thread and destroyed on the same; `started`, `fill` and `lost` run on the
// output's own thread, never at the same time, and never after the destructor returns.
class TPulseOutput {
public:
    // Fills the whole span with the next samples.
    using TFill = std::function<void(std::span<float>)>;
    // Told once how the start went: with an empty phrase once the stream plays, else with why
    // it would not (then nothing was played, and `lost` is never told). It must not destroy
    // the output; it may hand the news to another thread.
    using TStarted = std::function<void(const std::string& problem)>;
    // Told once, with a phrase, that the stream ended by itself after it had started (the
    // server went away). The same rules as for `started`.
    using TLost = std::function<void(const std::string& why)>;

    // Connects and starts playing in the background and returns at once. A server that does
    // not answer or take the stream within `limit` is a failed start. Throws TSoundError,
    // having played nothing and told nothing, only where the sound client cannot even begin
    // (no server to connect to at all, say).
    TPulseOutput(const TOutputFormat& format, TFill fill, TStarted started, TLost lost,
                 std::chrono::milliseconds limit = AnswerLimit);
    // Stops at once, whether the start is still under way or not.
    ~TPulseOutput();
    TPulseOutput(const TPulseOutput&) = delete;
    TPulseOutput& operator=(const TPulseOutput&) = delete;

private:
    friend std::string OutputProblem(const std::string&, std::chrono::milliseconds);
    class TConnection;
    std::unique_ptr<TConnection> connection_;
};

} // namespace sound
