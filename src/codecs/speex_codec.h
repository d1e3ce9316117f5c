// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frame_codec.h"

#include <memory>

namespace codecs {

// Speex wideband through libspeex at 16000 Hz, 20 ms frames, at the library's default quality
// (8, a constant 27.8 kbit/s), the decoder's perceptual enhancer on as it comes.
class TSpeexCodec final : public TFrameCodec {
public:
    static constexpr int Frame = 320;

    TSpeexCodec();
    ~TSpeexCodec() override;
    int FrameSamples() const override { return Frame; }
    void Code(std::span<const double> frame, std::span<double> decoded) override;
    void Reset() override;
    // As libspeex states them.
    int BitRate() const;
    int LookaheadSamples() const;

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

} // namespace codecs
