// SPDX-License-Identifier: GPL-3.0-or-later
#include "opus_codec.h"

#include <array>
#include <opus/opus.h>
#include <stdexcept>
#include <string>

namespace codecs {
namespace {

constexpr int OpusRateHz = 16000;
constexpr int MostBytes = 1500; // far above a 20 ms frame at 64 kbit/s (160 bytes)

} // namespace

struct TOpusCodec::TState {
    OpusEncoder* Encoder = nullptr;
    OpusDecoder* Decoder = nullptr;
    ~TState() {
        opus_encoder_destroy(Encoder);
        opus_decoder_destroy(Decoder);
    }
};

TOpusCodec::TOpusCodec(int bitRate) : bitRate_(bitRate) {
    if (bitRate < LowestKbit * 1000 || bitRate > HighestKbit * 1000) {
        throw std::invalid_argument("Opus takes 6 to 64 kbit/s, not " + std::to_string(bitRate) +
                                    " bit/s");
    }
    Reset();
}

TOpusCodec::~TOpusCodec() = default;

void TOpusCodec::Reset() {
    auto state = std::make_unique<TState>();
    int error = OPUS_OK;
    state->Encoder = opus_encoder_create(OpusRateHz, 1, OPUS_APPLICATION_VOIP, &error);
    if (error != OPUS_OK ||
        opus_encoder_ctl(state->Encoder, OPUS_SET_BITRATE(bitRate_)) != OPUS_OK) {
        throw std::runtime_error(std::string("libopus cannot make an encoder: ") +
                                 opus_strerror(error));
    }
    state->Decoder = opus_decoder_create(OpusRateHz, 1, &error);
    if (error != OPUS_OK) {
        throw std::runtime_error(std::string("libopus cannot make a decoder: ") +
                                 opus_strerror(error));
    }
    state_ = std::move(state);
}

int TOpusCodec::LookaheadSamples() const {
    opus_int32 lookahead = 0;
    opus_encoder_ctl(state_->Encoder, OPUS_GET_LOOKAHEAD(&lookahead));
    return lookahead;
}

void TOpusCodec::Code(std::span<const double> frame, std::span<double> decoded) {
    std::array<float, Frame> pcm{};
    std::copy(frame.begin(), frame.end(), pcm.begin());
    std::array<unsigned char, MostBytes> code{};
    const opus_int32 bytes =
        opus_encode_float(state_->Encoder, pcm.data(), Frame, code.data(), MostBytes);
    if (bytes < 0) {
        throw std::runtime_error(std::string("libopus cannot encode: ") + opus_strerror(bytes));
    }
    const int samples =
        opus_decode_float(state_->Decoder, code.data(), bytes, pcm.data(), Frame, 0);
    if (samples != Frame) {
        throw std::runtime_error(std::string("libopus cannot decode: ") + opus_strerror(samples));
    }
    std::copy(pcm.begin(), pcm.end(), decoded.begin());
}

} // namespace codecs
