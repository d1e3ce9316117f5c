// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frame_codec.h"

#include <array>
#include <memory>

namespace codecs {

// AMR-WB at 16000 Hz, 20 ms frames: encoded by VisualOn's encoder (libvo-amrwbenc), decoded by
// opencore's decoder (libopencore-amrwb), in one of its nine modes, without discontinuous
// transmission.
class TAmrWbCodec final : public TFrameCodec {
public:
    static constexpr int Frame = 320;
    // The modes' bit rates in bit/s, mode 0 first.
    static constexpr std::array<int, 9> ModeBitRates = {6600,  8850,  12650, 14250, 15850,
                                                        18250, 19850, 23050, 23850};

    // Throws std::invalid_argument for a rate that is no mode's.
    explicit TAmrWbCodec(int bitRate);
    ~TAmrWbCodec() override;
    int FrameSamples() const override { return Frame; }
    void Code(std::span<const double> frame, std::span<double> decoded) override;
    void Reset() override;

private:
    struct TState;
    int mode_ = 0;
    std::unique_ptr<TState> state_;
};

} // namespace codecs
