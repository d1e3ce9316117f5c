// SPDX-License-Identifier: GPL-3.0-or-later
#include "g729_codec.h"

// bcg729's headers declare C functions without saying so to C++.
extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}

#include <array>
#include <stdexcept>

namespace codecs {

struct TG729Codec::TState {
    bcg729EncoderChannelContextStruct* Encoder = nullptr;
    bcg729DecoderChannelContextStruct* Decoder = nullptr;
    ~TState() {
        if (Encoder != nullptr) {
            closeBcg729EncoderChannel(Encoder);
        }
        if (Decoder != nullptr) {
            closeBcg729DecoderChannel(Decoder);
        }
    }
};

TG729Codec::TG729Codec() {
    Reset();
}

TG729Codec::~TG729Codec() = default;

void TG729Codec::Reset() {
    auto state = std::make_unique<TState>();
    state->Encoder = initBcg729EncoderChannel(0);
    state->Decoder = initBcg729DecoderChannel();
    if (state->Encoder == nullptr || state->Decoder == nullptr) {
        throw std::runtime_error("bcg729 cannot make a G.729 coder");
    }
    state_ = std::move(state);
}

void TG729Codec::Code(std::span<const double> frame, std::span<double> decoded) {
    std::array<std::int16_t, Frame> pcm{};
    std::array<std::uint8_t, 16> code{}; // 10 bytes a frame
    std::uint8_t bytes = 0;
    ToPcm16(frame, pcm);
    bcg729Encoder(state_->Encoder, pcm.data(), code.data(), &bytes);
    bcg729Decoder(state_->Decoder, code.data(), bytes, 0, 0, 0, pcm.data());
    FromPcm16(pcm, decoded);
}

} // namespace codecs
