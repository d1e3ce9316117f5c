// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frame_codec.h"

#include <memory>

namespace codecs {

// Opus through libopus at 16000 Hz, its VoIP application, 20 ms frames, at a bit rate from 6 to
// 64 kbit/s (variable bit rate, the library's default complexity).
class TOpusCodec final : public TFrameCodec {
public:
    static constexpr int Frame = 320;
    static constexpr int LowestKbit = 6;
    static constexpr int HighestKbit = 64;
    // The encoder's lookahead at 16000 Hz as libopus states it, 6.5 ms; the decoder adds none.
    static constexpr int Lookahead = 104;

    // Throws std::invalid_argument for a rate outside 6 to 64 kbit/s, std::runtime_error if
    // libopus refuses.
    explicit TOpusCodec(int bitRate);
    ~TOpusCodec() override;
    int FrameSamples() const override { return Frame; }
    void Code(std::span<const double> frame, std::span<double> decoded) override;
    void Reset() override;
    // The encoder's lookahead, as libopus states it now, in samples at 16000 Hz.
    int LookaheadSamples() const;

private:
    struct TState;
    int bitRate_;
    std::unique_ptr<TState> state_;
};

} // namespace codecs
