// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frame_codec.h"

#include <memory>

namespace codecs {

// ITU-T G.729 (Annex A, as bcg729 codes it) at 8 kbit/s, 10 ms frames of 80 samples at
// 8000 Hz, without voice activity detection.
class TG729Codec final : public TFrameCodec {
public:
    static constexpr int Frame = 80;
    static constexpr int BitRate = 8000;

    TG729Codec();
    ~TG729Codec() override;
    int FrameSamples() const override { return Frame; }
    void Code(std::span<const double> frame, std::span<double> decoded) override;
    void Reset() override;

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

} // namespace codecs
