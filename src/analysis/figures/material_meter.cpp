// SPDX-License-Identifier: GPL-3.0-or-later
#include "material_meter.h"

#include "analysis/transform/complex.h"
#include "analysis/transform/double_fft.h"
#include "analysis/common/numeric_constants.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <numeric>

namespace analysis {
namespace {

constexpr int BlocksPerSegment = SegmentSamples / SegmentHopSamples;
static_assert(BlocksPerSegment * SegmentHopSamples == SegmentSamples);
constexpr int SpectrumBins = SpectrumPoints / 2 + 1; // 0 to 8000 Hz
constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinite = std::numeric_limits<double>::infinity();
constexpr double FullScalePower = static_cast<double>(FullScale) * FullScale;

// The Hann window over one frame, symmetric, and the power a full-scale tone on a bin gives
// through it: (32767 x sum w / 2)^2.
struct THann {
    std::array<double, SegmentSamples> Weights{};
    double ToneBinPower = 0.0;
};

const THann& Hann() {
    static const THann hann = [] {
        THann made;
        double sum = 0.0;
        for (int k = 0; k < SegmentSamples; ++k) {
            made.Weights[static_cast<std::size_t>(k)] =
                0.5 - 0.5 * std::cos(TwoPi * k / (SegmentSamples - 1));
            sum += made.Weights[static_cast<std::size_t>(k)];
        }
        const double amplitude = FullScale * sum / 2.0;
        made.ToneBinPower = amplitude * amplitude;
        return made;
    }();
    return hann;
}

// The log-spectral distance of one frame: the RMS over the bins of the difference of the two
// power spectra in dB, each power counted from the floor up. Both spectra come from one
// complex transform of original + i coded: with Z the transform and Z' its bin N - k, bin k
// of the original is (Z + conj Z') / 2 and of the coded frame (Z - conj Z') / 2i. Each
// coder's distance thus depends on its own frame and the original's alone, whichever other
// coders are measured beside it.
double FrameDistanceDb(std::span<const double, SegmentSamples> original,
                       std::span<const double, SegmentSamples> coded) {
    const THann& hann = Hann();
    static const double floor = hann.ToneBinPower * std::pow(10.0, -SpectrumFloorDb / 10.0);
    // In double throughout: the distance is read to a hundredth of a dB, and the transform is
    // most of a long file's time.
    static const TDoubleFftTables tables = MakeDoubleFftTables(SpectrumPoints);
    std::array<Complex, SpectrumPoints> data{};
    for (std::size_t k = 0; k < SegmentSamples; ++k) {
        data[k] = {original[k] * hann.Weights[k], coded[k] * hann.Weights[k]};
    }
    DoubleFFT(data, tables);
    double sum = 0.0;
    for (std::size_t k = 0; k < SpectrumBins; ++k) {
        const Complex z = data[k];
        const Complex mirror = data[(SpectrumPoints - k) % SpectrumPoints];
        const double originalRe = (z.re + mirror.re) / 2.0;
        const double originalIm = (z.im - mirror.im) / 2.0;
        const double codedRe = (z.im + mirror.im) / 2.0;
        const double codedIm = (mirror.re - z.re) / 2.0;
        const double originalPower = std::max(originalRe * originalRe + originalIm * originalIm, floor);
        const double codedPower = std::max(codedRe * codedRe + codedIm * codedIm, floor);
        // In single precision: a millionth of a dB is far below what is shown, and the
        // logarithms are a good part of a long file's time.
        const float difference = 10.0f * std::log10(static_cast<float>(originalPower / codedPower));
        sum += difference * difference;
    }
    return std::sqrt(sum / SpectrumBins);
}

// An SNR from two energies, neither negative and the signal's above 0: +inf for no error.
double SnrDb(double signal, double error) {
    return error > 0.0 ? 10.0 * std::log10(signal / error) : Infinite;
}

} // namespace

std::vector<SampleCodeFunction> CoderCodes(std::span<const CoderKind> coders) {
    std::vector<SampleCodeFunction> codes;
    for (const CoderKind kind : coders) {
        codes.push_back(Describe(kind).Code);
    }
    return codes;
}

TMaterialMeter::TMaterialMeter(std::span<const SampleCodeFunction> codes) {
    for (const SampleCodeFunction code : codes) {
        tracks_.push_back(TCoderTrack{code, {}, {}, {}, 0.0L, 0.0});
    }
    blockError_.assign(tracks_.size(), 0.0);
}

TMaterialMeter::TMaterialMeter(std::size_t coders) {
    tracks_.resize(coders, TCoderTrack{nullptr, {}, {}, {}, 0.0L, 0.0});
    blockError_.assign(tracks_.size(), 0.0);
}

void TMaterialMeter::Feed(std::span<const double> original) {
    FeedWith(original, [](SampleCodeFunction code, std::size_t, double x, std::size_t) { return code(x); });
}

void TMaterialMeter::FeedCoded(std::span<const double> original,
                               std::span<const std::span<const double>> coded) {
    assert(coded.size() == tracks_.size());
    for (std::size_t t = 0; t < tracks_.size(); ++t) {
        assert(tracks_[t].Code == nullptr && coded[t].size() == original.size());
    }
    const std::int64_t start = fed_;
    FeedWith(original, [&](SampleCodeFunction, std::size_t t, double, std::size_t k) {
        return coded[t][static_cast<std::size_t>(fed_ - start) + k];
    });
}

template <typename Code>
void TMaterialMeter::FeedWith(std::span<const double> original, Code codeOf) {
    while (!original.empty()) {
        // Up to the end of the current block of 120, where its sums close (and a frame at
        // every fourth); within it, coder by coder, so that each one's sums stay in registers.
        const auto inBlock = static_cast<std::size_t>(fed_ % SegmentHopSamples);
        const std::size_t count = std::min(original.size(), SegmentHopSamples - inBlock);
        const auto slot = static_cast<std::size_t>(fed_ % SegmentSamples);
        const std::span<const double> part = original.first(count);
        for (std::size_t k = 0; k < count; ++k) {
            const double x = part[k];
            assert(std::fabs(x) <= FullScale);
            frame_[slot + k] = x;
            blockSignal_ += x * x;
            sumSignalEnergy_ += static_cast<long double>(x) * x;
        }
        for (std::size_t t = 0; t < tracks_.size(); ++t) {
            TCoderTrack& track = tracks_[t];
            const SampleCodeFunction code = track.Code;
            double blockError = blockError_[t];
            long double sumError = track.SumErrorEnergy;
            double largest = track.LargestError;
            for (std::size_t k = 0; k < count; ++k) {
                const double x = part[k];
                const double y = codeOf(code, t, x, k);
                const long double e = static_cast<long double>(y) - x;
                track.Coded[slot + k] = y;
                blockError += static_cast<double>(e * e);
                sumError += e * e;
                largest = std::max(largest, static_cast<double>(std::fabs(e)));
            }
            blockError_[t] = blockError;
            track.SumErrorEnergy = sumError;
            track.LargestError = largest;
        }
        fed_ += static_cast<std::int64_t>(count);
        original = original.subspan(count);
        if (fed_ % SegmentHopSamples == 0) {
            blockSignalEnergy_.push_back(blockSignal_);
            blockSignal_ = 0.0;
            for (std::size_t t = 0; t < tracks_.size(); ++t) {
                tracks_[t].BlockErrorEnergy.push_back(blockError_[t]);
                blockError_[t] = 0.0;
            }
        }
        if (fed_ % SegmentSamples == 0) {
            CloseFrame();
        }
    }
}

void TMaterialMeter::CloseFrame() {
    for (TCoderTrack& track : tracks_) {
        // The shared transform rounds the two spectra a little differently: a frame coded
        // exactly is at no distance, not at one of that rounding.
        track.FrameDistance.push_back(
            track.Coded == frame_ ? 0.0f : static_cast<float>(FrameDistanceDb(frame_, track.Coded)));
    }
}

double TMaterialMeter::SegmentSignalEnergy(std::int64_t segment) const {
    const auto first = blockSignalEnergy_.begin() + segment;
    return std::accumulate(first, first + BlocksPerSegment, 0.0);
}

std::vector<std::int64_t> TMaterialMeter::ActiveSegments() const {
    const auto blocks = static_cast<std::int64_t>(blockSignalEnergy_.size());
    const std::int64_t segments = std::max<std::int64_t>(blocks - BlocksPerSegment + 1, 0);
    double loudest = 0.0;
    for (std::int64_t s = 0; s < segments; ++s) {
        loudest = std::max(loudest, SegmentSignalEnergy(s));
    }
    std::vector<std::int64_t> active;
    const double threshold = loudest * std::pow(10.0, -ActiveRangeDb / 10.0);
    for (std::int64_t s = 0; s < segments; ++s) {
        const double energy = SegmentSignalEnergy(s);
        if (energy > 0.0 && energy >= threshold) {
            active.push_back(s);
        }
    }
    return active;
}

TMaterialFigures TMaterialMeter::Figures(std::size_t index) const {
    const TCoderTrack& track = tracks_.at(index);
    TMaterialFigures figures;
    if (sumSignalEnergy_ == 0.0L) {
        figures.SnrDb = NotANumber;
    } else if (track.SumErrorEnergy == 0.0L) {
        figures.SnrDb = Infinite;
    } else {
        figures.SnrDb = static_cast<double>(10.0L * std::log10(sumSignalEnergy_ / track.SumErrorEnergy));
    }
    figures.LargestError = track.LargestError;
    const std::vector<std::int64_t> active = ActiveSegments();
    figures.Segments = static_cast<std::int64_t>(active.size());
    if (active.empty()) {
        figures.SegmentalSnrDb = figures.LogSpectralDistanceDb = figures.ActiveLevelDb = NotANumber;
        return figures;
    }
    double snrSum = 0.0;
    double powerSum = 0.0;
    double distanceSum = 0.0;
    std::int64_t frames = 0;
    for (const std::int64_t s : active) {
        const double signal = SegmentSignalEnergy(s);
        const auto first = track.BlockErrorEnergy.begin() + s;
        const double error = std::accumulate(first, first + BlocksPerSegment, 0.0);
        snrSum += std::clamp(SnrDb(signal, error), SegmentSnrFloorDb, SegmentSnrCeilingDb);
        powerSum += signal / SegmentSamples;
        // A frame is a segment that starts on a frame's boundary.
        if (s % BlocksPerSegment == 0 && s / BlocksPerSegment < static_cast<std::int64_t>(track.FrameDistance.size())) {
            distanceSum += track.FrameDistance[static_cast<std::size_t>(s / BlocksPerSegment)];
            ++frames;
        }
    }
    const auto count = static_cast<double>(active.size());
    figures.SegmentalSnrDb = snrSum / count;
    figures.ActiveLevelDb = 10.0 * std::log10(powerSum / count / FullScalePower);
    figures.LogSpectralDistanceDb = frames > 0 ? distanceSum / static_cast<double>(frames) : NotANumber;
    return figures;
}

std::vector<TWorstMoment> TMaterialMeter::WorstMoments(std::size_t index, std::size_t count) const {
    const TCoderTrack& track = tracks_.at(index);
    struct TSegment {
        std::int64_t Segment;
        double SnrDb; // limited
    };
    std::vector<TSegment> segments;
    for (const std::int64_t s : ActiveSegments()) {
        const auto first = track.BlockErrorEnergy.begin() + s;
        const double error = std::accumulate(first, first + BlocksPerSegment, 0.0);
        segments.push_back({s, std::clamp(SnrDb(SegmentSignalEnergy(s), error), SegmentSnrFloorDb,
                                          SegmentSnrCeilingDb)});
    }
    std::stable_sort(segments.begin(), segments.end(),
                     [](const TSegment& a, const TSegment& b) { return a.SnrDb < b.SnrDb; });
    std::vector<TWorstMoment> worst;
    for (const TSegment& candidate : segments) {
        if (worst.size() == count) {
            break;
        }
        const bool overlaps = std::any_of(worst.begin(), worst.end(), [&](const TWorstMoment& taken) {
            return std::abs(taken.FirstSample / SegmentHopSamples - candidate.Segment) < BlocksPerSegment;
        });
        if (!overlaps) {
            worst.push_back({candidate.Segment * SegmentHopSamples, candidate.SnrDb});
        }
    }
    return worst;
}

} // namespace analysis
