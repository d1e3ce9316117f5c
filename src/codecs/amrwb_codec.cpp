// SPDX-License-Identifier: GPL-3.0-or-later
#include "amrwb_codec.h"

#include <algorithm>
#include <opencore-amrwb/dec_if.h>
#include <stdexcept>
#include <string>
#include <vo-amrwbenc/enc_if.h>

namespace codecs {
namespace {

constexpr int MostBytes = 64; // the largest mode's frame is 61 bytes with its header

} // namespace

struct TAmrWbCodec::TState {
    void* Encoder = nullptr;
    void* Decoder = nullptr;
    ~TState() {
        if (Encoder != nullptr) {
            E_IF_exit(Encoder);
        }
        if (Decoder != nullptr) {
            D_IF_exit(Decoder);
        }
    }
};

TAmrWbCodec::TAmrWbCodec(int bitRate) {
    const auto found = std::find(ModeBitRates.begin(), ModeBitRates.end(), bitRate);
    if (found == ModeBitRates.end()) {
        throw std::invalid_argument("AMR-WB has no mode of " + std::to_string(bitRate) + " bit/s");
    }
    mode_ = static_cast<int>(found - ModeBitRates.begin());
    Reset();
}

TAmrWbCodec::~TAmrWbCodec() = default;

void TAmrWbCodec::Reset() {
    auto state = std::make_unique<TState>();
    state->Encoder = E_IF_init();
    state->Decoder = D_IF_init();
    if (state->Encoder == nullptr || state->Decoder == nullptr) {
        throw std::runtime_error("cannot make an AMR-WB coder");
    }
    state_ = std::move(state);
}

void TAmrWbCodec::Code(std::span<const double> frame, std::span<double> decoded) {
    std::array<short, Frame> pcm{};
    std::array<unsigned char, MostBytes> code{};
    ToPcm16(frame, pcm);
    const int bytes = E_IF_encode(state_->Encoder, mode_, pcm.data(), code.data(), 0);
    if (bytes <= 0) {
        throw std::runtime_error("the AMR-WB encoder gives no frame");
    }
    D_IF_decode(state_->Decoder, code.data(), pcm.data(), _good_frame);
    FromPcm16(pcm, decoded);
}

} // namespace codecs
