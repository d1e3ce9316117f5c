// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frame_codec.h"

#include <memory>

namespace codecs {

// GSM 06.10 full rate through libgsm: 20 ms frames of 160 samples at 8000 Hz, 33 bytes each
// (13.2 kbit/s as stored; 260 bits of speech, 13 kbit/s).
class TGsmCodec final : public TFrameCodec {
public:
    static constexpr int Frame = 160;
    static constexpr int BitRate = 13000;

    TGsmCodec();
    ~TGsmCodec() override;
    int FrameSamples() const override { return Frame; }
    void Code(std::span<const double> frame, std::span<double> decoded) override;
    void Reset() override;

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

} // namespace codecs
