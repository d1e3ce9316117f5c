// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/coding/stream_coder.h"
#include "frame_codec.h"
#include "stream_resampler.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

namespace codecs {

// A codec library's frame codec as a stream coder at 16000 Hz. The stream is cut into blocks
// of one codec frame (at 16000 Hz); a narrowband codec's block goes through libsoxr to 8000 Hz,
// is coded frame by frame there and comes back to 16000 Hz through libsoxr again. The coded
// samples wait in a queue that starts with `leadSamples` of silence, enough that a sample is
// always ready when its input has come: the output thus lags the input by the lead, plus the
// codec's own delay (lookahead and filters), which the traits state in all.
//
// With no codec, the same path without coding: for a narrowband coder, what resampling alone
// does, with a lead that gives it the coder's own delay.
class TLibraryCoder final : public analysis::TStreamCoder {
public:
    // `codec` null passes every frame unchanged. `codecRateHz` is 16000 or 8000.
    TLibraryCoder(const analysis::TStreamCoderTraits& traits, std::unique_ptr<TFrameCodec> codec,
                  int frameSamples, int codecRateHz, int leadSamples);

    void Code(std::span<const double> in, std::span<double> out) override;
    void Reset() override;

private:
    // Codes the block in block_ and queues what comes out.
    void CodeBlock();

    std::unique_ptr<TFrameCodec> codec_;
    std::size_t frameSamples_; // at the codec's rate
    std::size_t blockSamples_; // the same frame at 16000 Hz
    std::size_t leadSamples_;
    std::optional<TStreamResampler> down_; // to 8000 Hz and back, for a narrowband codec
    std::optional<TStreamResampler> up_;
    std::vector<double> block_;   // input at 16000 Hz, up to a block
    std::vector<double> narrow_;  // input at the codec's rate, not yet a whole frame
    std::vector<double> decoded_; // one frame
    std::vector<double> queue_;   // output at 16000 Hz from queueRead_ on
    std::size_t queueRead_ = 0;
};

} // namespace codecs
