// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pulse_output.h"

#include <chrono>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace sound {

// An input the sound server offers: a source (a microphone, a line input) or the monitor of
// an output (what the desktop plays through it).
struct TInputDevice {
    std::string Name;        // the server's name, which TPulseInput takes
    // As the desktop shows it, "Built-in Audio Analog Stereo"; where inputs share one, each
    // has its name added: "Monitor of Null Output (orvex.monitor)".
    std::string Description;
    bool Monitor = false;

    friend bool operator==(const TInputDevice&, const TInputDevice&) = default;
};

// Every input the server offers, in its order: empty if it has none. Never starts a server.
// Blocks the calling thread for at most `limit`; throws TSoundError if the server cannot be
// reached or does not answer in time.
std::vector<TInputDevice> ListInputs(const std::string& clientName,
                                     std::chrono::milliseconds limit = AnswerLimit);

// How an input is recorded: 32-bit float samples in the machine's byte order, one channel,
// at SampleRate (the server converts and mixes the device's own format down to it), handed
// over about every FragmentSamples samples (and so about the delay from sound in to having it).
struct TInputFormat {
    std::string ClientName;
    int SampleRate = 0;
    int FragmentSamples = 0;
};

// What the window asks the server to hand over at a time: 20 ms at 16000 Hz, so the newest
// sound is in the next frame after at most that (the frames take the latest 1024 samples
// every 64 ms). Smaller fragments wake the input's thread more often for little gain.
inline constexpr int LiveFragmentSamples = 320;

// Records an input of the desktop's sound server on a thread of its own. Like TPulseOutput,
// its caller never waits on the server: it starts in the background and tells how the start
// went, and it stops at once.
//
// It never records the monitor of an output that a stream of this very process plays to
// (listening to the analyzer while recording what it plays would feed back on itself): such
// a start is refused with a phrase, and a recording that such a stream joins later ends as
// lost. The device it records never changes under it: one that goes away ends the recording
// as lost.
//
// Made on one thread and destroyed on the same; `receive`, `started` and `lost` run on the
// input's own thread, never at the same time, and never after the destructor returns.
class TPulseInput {
public:
    // Takes the next samples recorded, in order; a gap the server reports comes as silence.
    using TReceive = std::function<void(std::span<const float>)>;
    // As TPulseOutput's: told once how the start went (empty once it records, else why not).
    using TStarted = TPulseOutput::TStarted;
    // Told once, with a phrase, that recording ended by itself after it had started.
    using TLost = TPulseOutput::TLost;

    // Starts recording `device` (a TInputDevice's Name; empty for the server's default input)
    // in the background and returns at once. A server that does not answer or take the
    // stream within `limit` is a failed start. Throws TSoundError, having told nothing, only
    // where the sound client cannot even begin.
    TPulseInput(const TInputFormat& format, const std::string& device, TReceive receive,
                TStarted started, TLost lost, std::chrono::milliseconds limit = AnswerLimit);
    // Stops at once, whether the start is still under way or not.
    ~TPulseInput();
    TPulseInput(const TPulseInput&) = delete;
    TPulseInput& operator=(const TPulseInput&) = delete;

    // The phrase of a refused monitor, for callers that compare.
    static constexpr const char* FeedbackRefusal =
        "it is the monitor of the output this program plays to, and would record itself";

private:
    class TConnection;
    std::unique_ptr<TConnection> connection_;
};

} // namespace sound
