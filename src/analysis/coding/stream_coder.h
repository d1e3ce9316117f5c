// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <vector>

namespace analysis {

// The rate every stream coder takes and gives its samples at, whatever its own rate.
inline constexpr int StreamRateHz = 16000;

// The band of audio a coder carries, in Hz.
struct TAudioBand {
    double LowHz = 0.0;
    double HighHz = 0.0;
};

// What a stream coder states about itself.
struct TStreamCoderTraits {
    int SampleRateHz = StreamRateHz; // the rate it codes at (8000 for a narrowband coder)
    int BitRate = 0;                 // bit/s of the coded stream
    TAudioBand Band;
    // Samples at 16000 Hz from an input sample to the output sample that renders it: the
    // lookahead, the framing and any resampling on the way.
    int DelaySamples = 0;
};

// A coder of a stream of samples at 16000 Hz, unit scale (full scale 1.0), in double as the
// material meter reads them. It keeps its state from one block to the next, so a stream coded
// in pieces of any size gives the samples the whole gives at once; Reset starts it afresh, as
// a new coder would (a seek, a loop, a change of coder). Output sample n renders input sample
// n - DelaySamples (silence before the first); CodeAligned moves it back.
// For one thread at a time.
class TStreamCoder {
public:
    explicit TStreamCoder(const TStreamCoderTraits& traits) : traits_(traits) {}
    virtual ~TStreamCoder() = default;
    TStreamCoder(const TStreamCoder&) = delete;
    TStreamCoder& operator=(const TStreamCoder&) = delete;

    const TStreamCoderTraits& Traits() const { return traits_; }
    int SampleRateHz() const { return traits_.SampleRateHz; }
    int BitRate() const { return traits_.BitRate; }
    TAudioBand Band() const { return traits_.Band; }
    int DelaySamples() const { return traits_.DelaySamples; }

    // Codes the next `in.size()` samples into `out`, which is as long. Samples past full scale
    // are clipped where the coder works in 16-bit integers.
    virtual void Code(std::span<const double> in, std::span<double> out) = 0;
    virtual void Reset() = 0;

private:
    TStreamCoderTraits traits_;
};

// `original` coded from a fresh start, moved back by the coder's delay so that coded sample n
// renders original sample n: the stream is fed the original and then DelaySamples of silence,
// and its first DelaySamples samples are dropped. As long as `original`.
std::vector<double> CodeAligned(TStreamCoder& coder, std::span<const double> original);

} // namespace analysis
