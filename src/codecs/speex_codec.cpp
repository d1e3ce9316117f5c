// SPDX-License-Identifier: GPL-3.0-or-later
#include "speex_codec.h"

#include <array>
#include <speex/speex.h>
#include <stdexcept>

namespace codecs {
namespace {

constexpr int MostBytes = 200; // a 20 ms frame at the highest wideband rate is 106 bytes

} // namespace

struct TSpeexCodec::TState {
    void* Encoder = nullptr;
    void* Decoder = nullptr;
    SpeexBits Bits{};
    ~TState() {
        if (Encoder != nullptr) {
            speex_encoder_destroy(Encoder);
        }
        if (Decoder != nullptr) {
            speex_decoder_destroy(Decoder);
        }
        speex_bits_destroy(&Bits);
    }
};

TSpeexCodec::TSpeexCodec() {
    Reset();
}

TSpeexCodec::~TSpeexCodec() = default;

void TSpeexCodec::Reset() {
    auto state = std::make_unique<TState>();
    speex_bits_init(&state->Bits);
    state->Encoder = speex_encoder_init(&speex_wb_mode);
    state->Decoder = speex_decoder_init(&speex_wb_mode);
    int frame = 0;
    if (state->Encoder == nullptr || state->Decoder == nullptr ||
        speex_encoder_ctl(state->Encoder, SPEEX_GET_FRAME_SIZE, &frame) != 0 || frame != Frame) {
        throw std::runtime_error("libspeex cannot make a wideband coder of 20 ms frames");
    }
    state_ = std::move(state);
}

int TSpeexCodec::BitRate() const {
    int rate = 0;
    speex_encoder_ctl(state_->Encoder, SPEEX_GET_BITRATE, &rate);
    return rate;
}

int TSpeexCodec::LookaheadSamples() const {
    int lookahead = 0;
    speex_encoder_ctl(state_->Encoder, SPEEX_GET_LOOKAHEAD, &lookahead);
    return lookahead;
}

void TSpeexCodec::Code(std::span<const double> frame, std::span<double> decoded) {
    // libspeex's float interface takes and gives samples on the 16-bit scale.
    std::array<float, Frame> pcm{};
    for (std::size_t k = 0; k < Frame; ++k) {
        pcm[k] = static_cast<float>(frame[k] * Pcm16Scale);
    }
    speex_bits_reset(&state_->Bits);
    speex_encode(state_->Encoder, pcm.data(), &state_->Bits);
    // Through the bytes a channel would carry.
    std::array<char, MostBytes> code{};
    const int bytes = speex_bits_write(&state_->Bits, code.data(), MostBytes);
    speex_bits_read_from(&state_->Bits, code.data(), bytes);
    if (speex_decode(state_->Decoder, &state_->Bits, pcm.data()) != 0) {
        throw std::runtime_error("libspeex cannot decode its own frame");
    }
    for (std::size_t k = 0; k < Frame; ++k) {
        decoded[k] = pcm[k] / Pcm16Scale;
    }
}

} // namespace codecs
