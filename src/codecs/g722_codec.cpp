// SPDX-License-Identifier: GPL-3.0-or-later
#include "g722_codec.h"

#include <array>
#include <cassert>
#include <spandsp.h>
#include <stdexcept>

namespace codecs {

struct TG722Codec::TState {
    g722_encode_state_t* Encoder = nullptr;
    g722_decode_state_t* Decoder = nullptr;
    ~TState() {
        g722_encode_free(Encoder);
        g722_decode_free(Decoder);
    }
};

TG722Codec::TG722Codec() {
    Reset();
}

TG722Codec::~TG722Codec() = default;

void TG722Codec::Reset() {
    auto state = std::make_unique<TState>();
    state->Encoder = g722_encode_init(nullptr, BitRate, 0);
    state->Decoder = g722_decode_init(nullptr, BitRate, 0);
    if (state->Encoder == nullptr || state->Decoder == nullptr) {
        throw std::runtime_error("spandsp cannot make a G.722 coder");
    }
    state_ = std::move(state);
}

void TG722Codec::Code(std::span<const double> frame, std::span<double> decoded) {
    std::array<std::int16_t, Frame> pcm{};
    std::array<std::uint8_t, Frame> code{}; // one byte per two samples at 64 kbit/s
    ToPcm16(frame, pcm);
    const int bytes = g722_encode(state_->Encoder, code.data(), pcm.data(), Frame);
    const int samples = g722_decode(state_->Decoder, pcm.data(), code.data(), bytes);
    assert(samples == Frame);
    (void)samples;
    FromPcm16(pcm, decoded);
}

} // namespace codecs
