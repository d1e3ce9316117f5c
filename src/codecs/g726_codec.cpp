// SPDX-License-Identifier: GPL-3.0-or-later
#include "g726_codec.h"

#include <array>
#include <cassert>
#include <spandsp.h>
#include <stdexcept>
#include <string>

namespace codecs {

struct TG726Codec::TState {
    g726_state_t* Encoder = nullptr;
    g726_state_t* Decoder = nullptr;
    ~TState() {
        g726_free(Encoder);
        g726_free(Decoder);
    }
};

TG726Codec::TG726Codec(int bitRate) : bitRate_(bitRate) {
    if (bitRate != 16000 && bitRate != 24000 && bitRate != 32000 && bitRate != 40000) {
        throw std::invalid_argument("G.726 has no rate of " + std::to_string(bitRate) + " bit/s");
    }
    Reset();
}

TG726Codec::~TG726Codec() = default;

void TG726Codec::Reset() {
    auto state = std::make_unique<TState>();
    state->Encoder = g726_init(nullptr, bitRate_, G726_ENCODING_LINEAR, G726_PACKING_NONE);
    state->Decoder = g726_init(nullptr, bitRate_, G726_ENCODING_LINEAR, G726_PACKING_NONE);
    if (state->Encoder == nullptr || state->Decoder == nullptr) {
        throw std::runtime_error("spandsp cannot make a G.726 coder");
    }
    state_ = std::move(state);
}

void TG726Codec::Code(std::span<const double> frame, std::span<double> decoded) {
    std::array<std::int16_t, Frame> pcm{};
    std::array<std::uint8_t, Frame> code{}; // unpacked: one code a byte
    ToPcm16(frame, pcm);
    const int codes = g726_encode(state_->Encoder, code.data(), pcm.data(), Frame);
    const int samples = g726_decode(state_->Decoder, pcm.data(), code.data(), codes);
    assert(samples == Frame);
    (void)samples;
    FromPcm16(pcm, decoded);
}

} // namespace codecs
