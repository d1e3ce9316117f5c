// SPDX-License-Identifier: GPL-3.0-or-later
#include "codec2_codec.h"

#include <codec2/codec2.h>
#include <stdexcept>
#include <vector>

namespace codecs {
namespace {

// The state of the noise generator of the coder decoding on this thread, if one is.
thread_local unsigned long* DecodingNoise = nullptr;
// libcodec2's own seed, which a new generator starts from.
constexpr unsigned long NoiseSeed = 1;

int LibraryMode(TCodec2Codec::TMode mode) {
    switch (mode) {
    case TCodec2Codec::TMode::m3200:
        return CODEC2_MODE_3200;
    case TCodec2Codec::TMode::m1600:
        return CODEC2_MODE_1600;
    case TCodec2Codec::TMode::m700C:
        return CODEC2_MODE_700C;
    }
    return CODEC2_MODE_3200;
}

} // namespace

} // namespace codecs

// libcodec2 draws the random phases of unvoiced speech from one generator for the whole
// process, so a coder would decode differently after another had run, or after a reset. This
// definition takes the library's place (the program's own symbol comes first) with the same
// generator, drawn from the state of the coder that is decoding.
extern "C" int codec2_rand(void) {
    static thread_local unsigned long shared = codecs::NoiseSeed;
    unsigned long& next = codecs::DecodingNoise != nullptr ? *codecs::DecodingNoise : shared;
    next = next * 1103515245 + 12345;
    return static_cast<int>(static_cast<unsigned>(next / 65536) % 32768);
}

namespace codecs {

struct TCodec2Codec::TState {
    unsigned long Noise = NoiseSeed;
    CODEC2* Encoder = nullptr; // encoding and decoding share no state, but a mode keeps both
    CODEC2* Decoder = nullptr;
    std::vector<short> Pcm;
    std::vector<unsigned char> Code;
    ~TState() {
        if (Encoder != nullptr) {
            codec2_destroy(Encoder);
        }
        if (Decoder != nullptr) {
            codec2_destroy(Decoder);
        }
    }
};

TCodec2Codec::TCodec2Codec(TMode mode) : mode_(mode) {
    Reset();
}

TCodec2Codec::~TCodec2Codec() = default;

void TCodec2Codec::Reset() {
    auto state = std::make_unique<TState>();
    state->Encoder = codec2_create(LibraryMode(mode_));
    state->Decoder = codec2_create(LibraryMode(mode_));
    if (state->Encoder == nullptr || state->Decoder == nullptr) {
        throw std::runtime_error("libcodec2 cannot make a coder in this mode");
    }
    frameSamples_ = codec2_samples_per_frame(state->Encoder);
    state->Pcm.resize(static_cast<std::size_t>(frameSamples_));
    state->Code.resize(static_cast<std::size_t>(codec2_bytes_per_frame(state->Encoder)));
    state_ = std::move(state);
}

void TCodec2Codec::Code(std::span<const double> frame, std::span<double> decoded) {
    ToPcm16(frame, state_->Pcm);
    codec2_encode(state_->Encoder, state_->Code.data(), state_->Pcm.data());
    DecodingNoise = &state_->Noise;
    codec2_decode(state_->Decoder, state_->Pcm.data(), state_->Code.data());
    DecodingNoise = nullptr;
    FromPcm16(state_->Pcm, decoded);
}

} // namespace codecs
