// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrogram_column_maker.h"

#include "analysis/transform/double_fft.h"
#include "analysis/common/numeric_constants.h"
#include "analysis/windows/window_table.h"

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
      transform_(static_cast<std::size_t>(transformLength)),
      fftTables_(MakeDoubleFftTables(transformLength)) {
    assert(IsTransformLength(transformLength));
    FillWindow(window, windowTable_);
    Extended sum = 0.0L;
    for (const float w : windowTable_) {
        sum += w;
    }
    coherentGain_ = static_cast<double>(sum / length_);
    // A full-scale tone on a bin: |X[k]| = FullScale * sum w / 2.
    const Extended fullScaleBin = static_cast<Extended>(FullScale) * sum / 2.0L;
    powerScale_ = static_cast<double>(1.0L / (fullScaleBin * fullScaleBin));
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

std::size_t TSpectrogramColumnMaker::TakeRecorded(std::span<const float> original,
                                                  std::span<const float> error) {
    assert(error.size() == original.size());
    const std::size_t taken =
        std::min(original.size(), static_cast<std::size_t>(length_ - filled_));
    std::copy_n(original.begin(), taken, original_.begin() + filled_);
    std::copy_n(error.begin(), taken, error_.begin() + filled_);
    filled_ += static_cast<int>(taken);
    return taken;
}

const TSpectrogramColumn& TSpectrogramColumnMaker::MakeColumn() {
    assert(filled_ == length_);
    for (std::size_t n = 0; n < transform_.size(); ++n) {
        const double w = windowTable_[n];
        transform_[n] = {w * original_[n], w * error_[n]};
    }
    DoubleFFT(transform_, fftTables_);

    // With x = o + i e for real o and e, X[k] = O[k] + i E[k] and conj X[N - k] = O[k] - i E[k]:
    // O[k] = (X[k] + conj X[N - k]) / 2 and E[k] = (X[k] - conj X[N - k]) / 2i. In double: a
    // column is a picture's, read to a fraction of a dB, and this loop is a third of its cost
    // in extended precision.
    const auto n = static_cast<std::size_t>(length_);
    double* const originalPower = power_[static_cast<std::size_t>(SpectrogramLane::slOriginal)].data();
    double* const codedPower = power_[static_cast<std::size_t>(SpectrogramLane::slCoded)].data();
    double* const errorPower = power_[static_cast<std::size_t>(SpectrogramLane::slError)].data();
    const std::size_t bins = power_[0].size();
    const double scale = powerScale_;
    for (std::size_t k = 0; k < bins; ++k) {
        const Complex x = transform_[k];
        const Complex mirror = transform_[(n - k) & (n - 1)];
        const double originalRe = (x.re + mirror.re) * 0.5;
        const double originalIm = (x.im - mirror.im) * 0.5;
        const double errorRe = (x.im + mirror.im) * 0.5;
        const double errorIm = (mirror.re - x.re) * 0.5;
        const double codedRe = originalRe + errorRe;
        const double codedIm = originalIm + errorIm;
        originalPower[k] = (originalRe * originalRe + originalIm * originalIm) * scale;
        errorPower[k] = (errorRe * errorRe + errorIm * errorIm) * scale;
        codedPower[k] = (codedRe * codedRe + codedIm * codedIm) * scale;
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
