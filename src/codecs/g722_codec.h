// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frame_codec.h"

#include <memory>

namespace codecs {

// ITU-T G.722 at 64 kbit/s through spandsp: sub-band ADPCM at 16000 Hz, coded 10 ms at a time
// (it codes sample by sample; the frame only sets the calls' size).
class TG722Codec final : public TFrameCodec {
public:
    static constexpr int Frame = 160;
    static constexpr int BitRate = 64000;

    TG722Codec();
    ~TG722Codec() override;
    int FrameSamples() const override { return Frame; }
    void Code(std::span<const double> frame, std::span<double> decoded) override;
    void Reset() override;

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

} // namespace codecs
