// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone_stream.h"

#include "analyzer_state.h"
#include "level_gain.h"
#include "analysis/common/numeric_constants.h"
#include "analysis/common/own_arithmetic.h"
#include "analysis/coding/sample_coder.h"
#include "sample_source.h"
#include "sine_memory.h"
#include "tone_sample.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace analysis {
namespace {

using Extended = long double;

// Packed settings: frequency in bits 0-13 (0 to 8000), attenuation in bits 14-21 (0 to
// 160 dB), mode in bits 22-25, content in bit 26.
constexpr unsigned FrequencyBits = 14;
constexpr unsigned AttenuationShift = FrequencyBits;
constexpr unsigned AttenuationBits = 8;
constexpr unsigned ModeShift = AttenuationShift + AttenuationBits;
constexpr unsigned ModeBits = 4;
constexpr unsigned ContentShift = ModeShift + ModeBits;
constexpr unsigned ContentBits = 2;

// The stream's samples are played in pieces of this many, each first taken into a buffer
// on the stack.
constexpr std::size_t PieceSamples = 256;

constexpr std::uint32_t Mask(unsigned bits) {
    return (std::uint32_t{1} << bits) - 1;
}

static_assert(MaxFrequencyHz <= static_cast<int>(Mask(FrequencyBits)));
static_assert(MaxAttenuationDb <= static_cast<int>(Mask(AttenuationBits)));
static_assert(CodingModeCount <= static_cast<int>(Mask(ModeBits)) + 1);
static_assert(static_cast<unsigned>(TStreamContent::scOriginal) <= Mask(ContentBits));

} // namespace

float PlayedSample(double coded) {
    return static_cast<float>(coded / static_cast<double>(FullScale));
}

float PlayedError(double coded, double uncoded) {
    const auto raised = static_cast<double>((static_cast<Extended>(coded) - uncoded) * ErrorGain /
                                            static_cast<Extended>(FullScale));
    return static_cast<float>(std::clamp(raised, -1.0, 1.0));
}

void PlaySamples(std::span<const long double> units, double gain, CodingMode mode,
                 TStreamContent content, std::span<float> out) {
    // A mode's coder row codes exactly as CodeSample does, and passes cmPCM's samples as
    // they are.
    PlaySamples(units, gain, Describe(CoderOf(mode)).Code, content, out);
}

void PlaySamples(std::span<const long double> units, double gain, SampleCodeFunction code,
                 TStreamContent content, std::span<float> out) {
    assert(units.size() == out.size());
    for (std::size_t k = 0; k < units.size(); ++k) {
        const double a = SourceSample(units[k], gain);
        switch (content) {
        case TStreamContent::scCoded:
            out[k] = PlayedSample(code(a));
            break;
        case TStreamContent::scError:
            out[k] = PlayedError(code(a), a);
            break;
        case TStreamContent::scOriginal:
            out[k] = PlayedSample(a);
            break;
        }
    }
}

void PlayRecorded(std::span<float> samples, const TStreamSettings& settings) {
    const TOwnArithmetic own;
    const double gain = GainFromAttenuation(-settings.LevelDb);
    std::array<long double, PieceSamples> units;
    while (!samples.empty()) {
        const std::size_t n = std::min(PieceSamples, samples.size());
        for (std::size_t k = 0; k < n; ++k) {
            units[k] = UnitSample(samples[k]);
        }
        PlaySamples(std::span(units).first(n), gain, settings.Mode, settings.Content,
                    samples.first(n));
        samples = samples.subspan(n);
    }
}

TToneStream::TToneStream(TStreamSettings settings)
    : settings_(Pack(settings)), sines_(std::make_unique<TSineMemory>()) {}

TToneStream::~TToneStream() = default;

std::uint32_t TToneStream::Pack(const TStreamSettings& settings) {
    assert(settings.FrequencyHz >= MinFrequencyHz && settings.FrequencyHz <= MaxFrequencyHz);
    assert(settings.LevelDb >= MinLevelDb && settings.LevelDb <= MaxLevelDb);
    return static_cast<std::uint32_t>(settings.FrequencyHz) |
           static_cast<std::uint32_t>(-settings.LevelDb) << AttenuationShift |
           static_cast<std::uint32_t>(settings.Mode) << ModeShift |
           static_cast<std::uint32_t>(settings.Content) << ContentShift;
}

TStreamSettings TToneStream::Unpack(std::uint32_t packed) {
    TStreamSettings settings;
    settings.FrequencyHz = static_cast<std::int32_t>(packed & Mask(FrequencyBits));
    settings.LevelDb = -static_cast<int>((packed >> AttenuationShift) & Mask(AttenuationBits));
    settings.Mode = static_cast<CodingMode>((packed >> ModeShift) & Mask(ModeBits));
    settings.Content = static_cast<TStreamContent>((packed >> ContentShift) & Mask(ContentBits));
    return settings;
}

void TToneStream::Change(const TStreamSettings& settings) {
    settings_.store(Pack(settings), std::memory_order_release);
}

TStreamSettings TToneStream::Settings() const {
    return Unpack(settings_.load(std::memory_order_acquire));
}

void TToneStream::Fill(std::span<float> out) {
    const TOwnArithmetic own;
    const std::uint32_t packed = settings_.load(std::memory_order_acquire);
    if (tuned_ != packed) {
        const TStreamSettings next = Unpack(packed);
        sines_->Tune(next.FrequencyHz, ToneOmega(next.FrequencyHz));
        if (!tuned_ || next.LevelDb != current_.LevelDb) {
            gain_ = GainFromAttenuation(-next.LevelDb);
        }
        current_ = next;
        tuned_ = packed;
    }
    std::array<long double, PieceSamples> sines;
    while (!out.empty()) {
        const std::size_t n = std::min(PieceSamples, out.size());
        for (std::size_t k = 0; k < n; ++k) {
            // As a frame runs its clock: the value 16000 (t = 1.0 exactly) is taken, then the
            // clock starts over at 1.
            const std::int32_t clock = clock_;
            clock_ = clock == SampleRate ? 1 : clock + 1;
            sines[k] = sines_->Sine(clock);
        }
        PlaySamples(std::span(sines).first(n), gain_, current_.Mode, current_.Content,
                    out.first(n));
        out = out.subspan(n);
    }
}

} // namespace analysis
