// SPDX-License-Identifier: GPL-3.0-or-later
#include "gsm_codec.h"

#include <array>
#include <gsm.h>
#include <stdexcept>

namespace codecs {

struct TGsmCodec::TState {
    gsm Encoder = nullptr;
    gsm Decoder = nullptr;
    ~TState() {
        if (Encoder != nullptr) {
            gsm_destroy(Encoder);
        }
        if (Decoder != nullptr) {
            gsm_destroy(Decoder);
        }
    }
};

TGsmCodec::TGsmCodec() {
    Reset();
}

TGsmCodec::~TGsmCodec() = default;

void TGsmCodec::Reset() {
    auto state = std::make_unique<TState>();
    state->Encoder = gsm_create();
    state->Decoder = gsm_create();
    if (state->Encoder == nullptr || state->Decoder == nullptr) {
        throw std::runtime_error("libgsm cannot make a GSM coder");
    }
    state_ = std::move(state);
}

void TGsmCodec::Code(std::span<const double> frame, std::span<double> decoded) {
    std::array<gsm_signal, Frame> pcm{};
    gsm_frame code{};
    ToPcm16(frame, pcm);
    gsm_encode(state_->Encoder, pcm.data(), code);
    if (gsm_decode(state_->Decoder, code, pcm.data()) != 0) {
        throw std::runtime_error("libgsm cannot decode its own frame");
    }
    FromPcm16(pcm, decoded);
}

} // namespace codecs
