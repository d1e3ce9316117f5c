// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrogram_column_maker.h"

#include "complex_fft.h"
#include "numeric_constants.h"
#include "window_table.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace analysis {
namespace {

using Extended = long double;

bool IsTransformLength(int length) {
    return std::find(SpectrogramTransformLengths.begin(), SpectrogramTransformLengths.end(),
                     length) != SpectrogramTransformLengths.end();
}

} // namespace

double SpectrogramColumnSeconds(std::int64_t index, int transformLength) {
    const Extended centre = static_cast<Extended>(index) * SpectrogramHop + transformLength / 2;
    return static_cast<double>(centre / SampleRate);
}

TSpectrogramColumnMaker::TSpectrogramColumnMaker(int transformLength, WindowKind window)
    : length_(transformLength), window_(window),
      windowTable_(static_cast<std::size_t>(transformLength)),
      original_(static_cast<std::size_t>(transformLength)),
      error_(static_cast<std::size_t>(transformLength)),
      transform_(static_cast<std::size_t>(transformLength)) {
    assert(IsTransformLength(transformLength));
    FillWindow(window, windowTable_);
    Extended sum = 0.0L;
    for (const float w : windowTable_) {
        sum += w;
    }
    coherentGain_ = static_cast<double>(sum / length_);
    // A full-scale tone on a bin: |X[k]| = FullScale * sum w / 2.
    const Extended fullScaleBin = static_cast<Extended>(FullScale) * sum / 2.0L;
    powerScale_ = 1.0L / (fullScaleBin * fullScaleBin);
    for (std::vector<double>& lane : power_) {
        lane.resize(static_cast<std::size_t>(Bins()));
    }
    for (std::size_t lane = 0; lane < power_.size(); ++lane) {
        column_.Power[lane] = power_[lane];
    }
}

std::size_t TSpectrogramColumnMaker::Take(std::span<const double> original,
                                          std::span<const double> coded) {
    assert(coded.size() == original.size());
    const std::size_t taken =
        std::min(original.size(), static_cast<std::size_t>(length_ - filled_));
    for (std::size_t k = 0; k < taken; ++k) {
        const auto at = static_cast<std::size_t>(filled_) + k;
        original_[at] = original[k];
        error_[at] = static_cast<double>(static_cast<Extended>(coded[k]) - original[k]);
    }
    filled_ += static_cast<int>(taken);
    return taken;
}

const TSpectrogramColumn& TSpectrogramColumnMaker::MakeColumn() {
    assert(filled_ == length_);
    for (std::size_t n = 0; n < transform_.size(); ++n) {
        const Extended w = windowTable_[n];
        transform_[n] = {static_cast<double>(w * original_[n]), static_cast<double>(w * error_[n])};
    }
    ComplexFFT(transform_, FftDirection::Forward);

    // With x = o + i e for real o and e, X[k] = O[k] + i E[k] and conj X[N - k] = O[k] - i E[k]:
    // O[k] = (X[k] + conj X[N - k]) / 2 and E[k] = (X[k] - conj X[N - k]) / 2i.
    const auto n = static_cast<std::size_t>(length_);
    std::vector<double>& originalPower = power_[static_cast<std::size_t>(SpectrogramLane::slOriginal)];
    std::vector<double>& codedPower = power_[static_cast<std::size_t>(SpectrogramLane::slCoded)];
    std::vector<double>& errorPower = power_[static_cast<std::size_t>(SpectrogramLane::slError)];
    for (std::size_t k = 0; k < originalPower.size(); ++k) {
        const Complex& x = transform_[k];
        const Complex& mirror = transform_[(n - k) & (n - 1)];
        const Extended originalRe = (static_cast<Extended>(x.re) + mirror.re) / 2.0L;
        const Extended originalIm = (static_cast<Extended>(x.im) - mirror.im) / 2.0L;
        const Extended errorRe = (static_cast<Extended>(x.im) + mirror.im) / 2.0L;
        const Extended errorIm = (static_cast<Extended>(mirror.re) - x.re) / 2.0L;
        const Extended codedRe = originalRe + errorRe;
        const Extended codedIm = originalIm + errorIm;
        originalPower[k] = static_cast<double>(
            (originalRe * originalRe + originalIm * originalIm) * powerScale_);
        errorPower[k] =
            static_cast<double>((errorRe * errorRe + errorIm * errorIm) * powerScale_);
        codedPower[k] =
            static_cast<double>((codedRe * codedRe + codedIm * codedIm) * powerScale_);
    }

    // On by one hop: the span keeps its last length - hop samples.
    const std::size_t kept = n - SpectrogramHop;
    std::memmove(original_.data(), original_.data() + SpectrogramHop, kept * sizeof(double));
    std::memmove(error_.data(), error_.data() + SpectrogramHop, kept * sizeof(double));
    filled_ = static_cast<int>(kept);
    column_.Index = columns_++;
    return column_;
}

} // namespace analysis
