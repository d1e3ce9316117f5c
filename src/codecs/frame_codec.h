// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

namespace codecs {

// A codec library's encoder and decoder in one: a frame of samples in, the frame the decoder
// makes of its code out, at the codec's own rate, unit scale (full scale 1.0).
class TFrameCodec {
public:
    virtual ~TFrameCodec() = default;
    // Samples per frame at the codec's own rate.
    virtual int FrameSamples() const = 0;
    // Codes `frame` (FrameSamples long) into `decoded` (as long), keeping the codec's state.
    virtual void Code(std::span<const double> frame, std::span<double> decoded) = 0;
    // Starts encoder and decoder afresh.
    virtual void Reset() = 0;
};

// The 16-bit scale the libraries code on: full scale 1.0 is 32767, as the program's own
// coders have it.
inline constexpr double Pcm16Scale = 32767.0;

// A unit sample as a library's 16-bit sample: rounded, clipped to -32768 .. 32767.
inline std::int16_t ToPcm16(double unit) {
    return static_cast<std::int16_t>(
        std::clamp(std::nearbyint(unit * Pcm16Scale), -32768.0, 32767.0));
}

inline void ToPcm16(std::span<const double> unit, std::span<std::int16_t> pcm) {
    std::transform(unit.begin(), unit.end(), pcm.begin(), [](double x) { return ToPcm16(x); });
}

inline void FromPcm16(std::span<const std::int16_t> pcm, std::span<double> unit) {
    std::transform(pcm.begin(), pcm.end(), unit.begin(),
                   [](std::int16_t x) { return x / Pcm16Scale; });
}

} // namespace codecs
