// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone_stream.h"

#include "analyzer_state.h"
#include "level_gain.h"
#include "numeric_constants.h"
#include "own_arithmetic.h"
#include "sample_coder.h"
#include "sine_memory.h"
#include "tone_sample.h"

#include <algorithm>
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

constexpr std::uint32_t Mask(unsigned bits) {
    return (std::uint32_t{1} << bits) - 1;
}

static_assert(MaxFrequencyHz <= static_cast<int>(Mask(FrequencyBits)));
static_assert(MaxAttenuationDb <= static_cast<int>(Mask(AttenuationBits)));
static_assert(CodingModeCount <= static_cast<int>(Mask(ModeBits)) + 1);

} // namespace

float PlayedSample(double coded) {
    return static_cast<float>(coded / static_cast<double>(FullScale));
}

float PlayedError(double coded, double uncoded) {
    const auto raised = static_cast<double>((static_cast<Extended>(coded) - uncoded) * ErrorGain /
                                            static_cast<Extended>(FullScale));
    return static_cast<float>(std::clamp(raised, -1.0, 1.0));
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
    settings.Content = static_cast<TStreamContent>((packed >> ContentShift) & 1U);
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
    const bool coded = current_.Mode != CodingMode::cmPCM;
    for (float& value : out) {
        // As a frame runs its clock: the value 16000 (t = 1.0 exactly) is taken, then the
        // clock starts over at 1.
        const std::int32_t clock = clock_;
        clock_ = clock == SampleRate ? 1 : clock + 1;
        const double a = ToneSample(sines_->Sine(clock), gain_);
        const double c = coded ? CodeSample(a, current_.Mode) : a;
        value = current_.Content == TStreamContent::scError ? PlayedError(c, a) : PlayedSample(c);
    }
}

} // namespace analysis
