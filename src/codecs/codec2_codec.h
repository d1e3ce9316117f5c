// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frame_codec.h"

#include <memory>

namespace codecs {

// Codec2 through libcodec2 at 8000 Hz, in one of its modes.
class TCodec2Codec final : public TFrameCodec {
public:
    enum class TMode { m3200, m1600, m700C };

    explicit TCodec2Codec(TMode mode);
    ~TCodec2Codec() override;
    int FrameSamples() const override { return frameSamples_; }
    void Code(std::span<const double> frame, std::span<double> decoded) override;
    void Reset() override;

private:
    struct TState;
    TMode mode_;
    int frameSamples_ = 0;
    std::unique_ptr<TState> state_;
};

} // namespace codecs
