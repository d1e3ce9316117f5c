// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frame_codec.h"

#include <memory>

namespace codecs {

// ITU-T G.726 ADPCM through spandsp at 8000 Hz, at 16, 24, 32 or 40 kbit/s (2 to 5 bits a
// sample), coded 10 ms at a time (it codes sample by sample).
class TG726Codec final : public TFrameCodec {
public:
    static constexpr int Frame = 80;

    // Throws std::invalid_argument for another rate.
    explicit TG726Codec(int bitRate);
    ~TG726Codec() override;
    int FrameSamples() const override { return Frame; }
    void Code(std::span<const double> frame, std::span<double> decoded) override;
    void Reset() override;

private:
    struct TState;
    int bitRate_;
    std::unique_ptr<TState> state_;
};

} // namespace codecs
