// SPDX-License-Identifier: GPL-3.0-or-later
#include "stream_resampler.h"

#include <cstddef>
#include <soxr.h>
#include <stdexcept>
#include <string>

namespace codecs {
namespace {

constexpr unsigned SmallestTransformLog2 = 8; // libsoxr's smallest

} // namespace

struct TStreamResampler::TState {
    soxr_t Resampler = nullptr;
    double Ratio = 1.0;
    std::vector<double> Buffer;
    ~TState() { soxr_delete(Resampler); }
};

TStreamResampler::TStreamResampler(int inputRateHz, int outputRateHz)
    : state_(std::make_unique<TState>()) {
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    // One thread, as the coders are timed on one core; transforms of 256 points, which hold
    // back less of the stream (91 ms down and up at 2:1, not 219 ms) for the same filter.
    soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    runtime.log2_min_dft_size = SmallestTransformLog2;
    runtime.log2_large_dft_size = SmallestTransformLog2;
    state_->Resampler = soxr_create(inputRateHz, outputRateHz, 1, &error, &io, &quality, &runtime);
    if (state_->Resampler == nullptr || error != nullptr) {
        throw std::runtime_error(
            std::string("libsoxr cannot resample from ") + std::to_string(inputRateHz) + " to " +
            std::to_string(outputRateHz) + " Hz: " + (error != nullptr ? error : "no resampler"));
    }
    state_->Ratio = static_cast<double>(outputRateHz) / inputRateHz;
}

TStreamResampler::~TStreamResampler() = default;

void TStreamResampler::Process(std::span<const double> in, std::vector<double>& out) {
    // Room for what the input gives and what the resampler held back before.
    state_->Buffer.resize(static_cast<std::size_t>(in.size() * state_->Ratio) + 1024);
    while (true) {
        std::size_t used = 0;
        std::size_t made = 0;
        const soxr_error_t error =
            soxr_process(state_->Resampler, in.data(), in.size(), &used, state_->Buffer.data(),
                         state_->Buffer.size(), &made);
        if (error != nullptr) {
            throw std::runtime_error(std::string("libsoxr cannot resample: ") + error);
        }
        out.insert(out.end(), state_->Buffer.begin(),
                   state_->Buffer.begin() + static_cast<std::ptrdiff_t>(made));
        in = in.subspan(used);
        if (in.empty() && made < state_->Buffer.size()) {
            return;
        }
    }
}

void TStreamResampler::Clear() {
    soxr_clear(state_->Resampler);
}

} // namespace codecs
