// SPDX-License-Identifier: GPL-3.0-or-later
#include "coder_table.h"

#include "amrwb_codec.h"
#include "analysis/coding/coder_kind.h"
#include "analysis/coding/sample_stream_coder.h"
#include "codec2_codec.h"
#include "g722_codec.h"
#include "g726_codec.h"
#include "g729_codec.h"
#include "gsm_codec.h"
#include "library_coder.h"
#include "opus_codec.h"
#include "speex_codec.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <utility>

namespace codecs {
namespace {

using analysis::CoderKind;
using analysis::StreamRateHz;
using analysis::TStreamCoder;

constexpr int NarrowRateHz = StreamRateHz / 2;

// The program's own coders: one rate, no delay.
template <CoderKind Kind>
inline constexpr std::array<int, 1> OwnBitRate = {analysis::OwnCoderTraits(Kind).BitRate};

template <CoderKind Kind>
std::unique_ptr<TStreamCoder> MakeOwn(const TCoderRow&, int, TCoderPath path) {
    if (path == TCoderPath::cpResamplingOnly) {
        return nullptr;
    }
    return std::make_unique<analysis::TSampleStreamCoder>(Kind);
}

template <CoderKind Kind>
constexpr TCoderRow OwnRow() {
    const analysis::TCoderInfo& info = analysis::Describe(Kind);
    const analysis::TStreamCoderTraits traits = analysis::OwnCoderTraits(Kind);
    return {info.ToolName,       info.Caption,   TCoderGroup::cgOrvex, TCoderModel::cmWaveform,
            OwnBitRate<Kind>,    traits.BitRate, traits.SampleRateHz,  traits.Band,
            traits.DelaySamples, &MakeOwn<Kind>};
}

// How a library codec runs: its frame at its own rate, and its own delay (lookahead and
// filters, encoder and decoder together) in samples at 16000 Hz.
struct TLibrarySpec {
    int FrameSamples;
    int RateHz;
    int CodecDelaySamples;
};

// The most a narrowband block's way through libsoxr, down and up, holds back, in samples at
// 16000 Hz, beyond the frame itself (measured over the block sizes of the rows below; the
// queue's check catches a shortfall at once).
constexpr int NarrowbandResamplerHold = 2100;

// The silence the output queue starts with: enough that a sample is always ready once its
// input has come. A frame's first sample waits for its last.
constexpr int LeadSamples(const TLibrarySpec& spec) {
    const int block = spec.FrameSamples * StreamRateHz / spec.RateHz;
    return spec.RateHz == StreamRateHz ? block - 1 : block - 1 + NarrowbandResamplerHold;
}

constexpr int DelayOf(const TLibrarySpec& spec) {
    return LeadSamples(spec) + spec.CodecDelaySamples;
}

template <const TLibrarySpec& Spec, std::unique_ptr<TFrameCodec> (*NewCodec)(int bitRate)>
std::unique_ptr<TStreamCoder> MakeLibrary(const TCoderRow& row, int bitRate, TCoderPath path) {
    const analysis::TStreamCoderTraits traits{row.SampleRateHz, bitRate, row.Band,
                                              row.DelaySamples};
    if (path == TCoderPath::cpResamplingOnly) {
        if (Spec.RateHz == StreamRateHz) {
            return nullptr;
        }
        // Without the codec its delay is made up by a longer lead.
        return std::make_unique<TLibraryCoder>(traits, nullptr, Spec.FrameSamples, Spec.RateHz,
                                               row.DelaySamples);
    }
    return std::make_unique<TLibraryCoder>(traits, NewCodec(bitRate), Spec.FrameSamples,
                                           Spec.RateHz, LeadSamples(Spec));
}

template <typename Codec>
std::unique_ptr<TFrameCodec> NewAtRate(int bitRate) {
    return std::make_unique<Codec>(bitRate);
}
template <typename Codec>
std::unique_ptr<TFrameCodec> NewFixed(int) {
    return std::make_unique<Codec>();
}
template <TCodec2Codec::TMode Mode>
std::unique_ptr<TFrameCodec> NewCodec2(int) {
    return std::make_unique<TCodec2Codec>(Mode);
}

constexpr TLibrarySpec G722Spec{TG722Codec::Frame, StreamRateHz, 22};
constexpr TLibrarySpec G726Spec{TG726Codec::Frame, NarrowRateHz, 0};
constexpr TLibrarySpec GsmSpec{TGsmCodec::Frame, NarrowRateHz, 0};
constexpr TLibrarySpec G729Spec{TG729Codec::Frame, NarrowRateHz, 79};
constexpr TLibrarySpec OpusSpec{TOpusCodec::Frame, StreamRateHz, TOpusCodec::Lookahead};
constexpr TLibrarySpec SpeexSpec{TSpeexCodec::Frame, StreamRateHz, 223};
constexpr TLibrarySpec AmrWbSpec{TAmrWbCodec::Frame, StreamRateHz, 95};
// Codec2's delays are where its waveform correlates best with the phrase the tests speak; its
// energy lines up with the original's to within a frame.
constexpr TLibrarySpec Codec2Spec3200{160, NarrowRateHz, 201}; // 20 ms frames
constexpr TLibrarySpec Codec2Spec1600{320, NarrowRateHz, 202}; // 40 ms frames
constexpr TLibrarySpec Codec2Spec700C{320, NarrowRateHz, 387};

constexpr std::array<int, 1> G722Rates = {TG722Codec::BitRate};
constexpr std::array<int, 4> G726Rates = {16000, 24000, 32000, 40000};
constexpr std::array<int, 1> GsmRates = {TGsmCodec::BitRate};
constexpr std::array<int, 1> G729Rates = {TG729Codec::BitRate};
constexpr auto OpusRates = [] {
    std::array<int, TOpusCodec::HighestKbit - TOpusCodec::LowestKbit + 1> rates{};
    for (std::size_t k = 0; k < rates.size(); ++k) {
        rates[k] = (TOpusCodec::LowestKbit + static_cast<int>(k)) * 1000;
    }
    return rates;
}();
constexpr std::array<int, 1> SpeexRates = {27800}; // quality 8, as libspeex states it
constexpr std::array<int, 1> Codec2Rate3200 = {3200};
constexpr std::array<int, 1> Codec2Rate1600 = {1600};
constexpr std::array<int, 1> Codec2Rate700 = {700};

constexpr analysis::TAudioBand WholeBand{0.0, StreamRateHz / 2.0};
constexpr analysis::TAudioBand WidebandTelephony{50.0, 7000.0};
constexpr analysis::TAudioBand NarrowbandTelephony{300.0, 3400.0};
constexpr analysis::TAudioBand Codec2Band{0.0, NarrowRateHz / 2.0};

constexpr auto Rows = std::to_array<TCoderRow>({
    OwnRow<CoderKind::ckPCM>(),
    OwnRow<CoderKind::ckOrvexSqrt>(),
    OwnRow<CoderKind::ckIter1>(),
    OwnRow<CoderKind::ckIter2>(),
    OwnRow<CoderKind::ckIter3>(),
    OwnRow<CoderKind::ckLinear16>(),
    OwnRow<CoderKind::ckMuLaw>(),
    OwnRow<CoderKind::ckALaw>(),
    {"g722", "G.722", TCoderGroup::cgWideband, TCoderModel::cmWaveform, G722Rates,
     TG722Codec::BitRate, StreamRateHz, WidebandTelephony, DelayOf(G722Spec),
     &MakeLibrary<G722Spec, &NewFixed<TG722Codec>>},
    {"amrwb", "AMR-WB", TCoderGroup::cgWideband, TCoderModel::cmWaveform, TAmrWbCodec::ModeBitRates,
     12650, StreamRateHz, WidebandTelephony, DelayOf(AmrWbSpec),
     &MakeLibrary<AmrWbSpec, &NewAtRate<TAmrWbCodec>>},
    {"g726", "G.726", TCoderGroup::cgNarrowband, TCoderModel::cmWaveform, G726Rates, 32000,
     NarrowRateHz, NarrowbandTelephony, DelayOf(G726Spec),
     &MakeLibrary<G726Spec, &NewAtRate<TG726Codec>>},
    {"gsm", "GSM full rate", TCoderGroup::cgNarrowband, TCoderModel::cmWaveform, GsmRates,
     TGsmCodec::BitRate, NarrowRateHz, NarrowbandTelephony, DelayOf(GsmSpec),
     &MakeLibrary<GsmSpec, &NewFixed<TGsmCodec>>},
    {"opus", "Opus", TCoderGroup::cgLowRate, TCoderModel::cmWaveform, OpusRates, 24000,
     StreamRateHz, WholeBand, DelayOf(OpusSpec), &MakeLibrary<OpusSpec, &NewAtRate<TOpusCodec>>},
    {"speex-wb", "Speex wideband", TCoderGroup::cgLowRate, TCoderModel::cmWaveform, SpeexRates,
     SpeexRates[0], StreamRateHz, WholeBand, DelayOf(SpeexSpec),
     &MakeLibrary<SpeexSpec, &NewFixed<TSpeexCodec>>},
    {"codec2-3200", "Codec2 3200", TCoderGroup::cgLowRate, TCoderModel::cmParametric,
     Codec2Rate3200, 3200, NarrowRateHz, Codec2Band, DelayOf(Codec2Spec3200),
     &MakeLibrary<Codec2Spec3200, &NewCodec2<TCodec2Codec::TMode::m3200>>},
    {"codec2-1600", "Codec2 1600", TCoderGroup::cgLowRate, TCoderModel::cmParametric,
     Codec2Rate1600, 1600, NarrowRateHz, Codec2Band, DelayOf(Codec2Spec1600),
     &MakeLibrary<Codec2Spec1600, &NewCodec2<TCodec2Codec::TMode::m1600>>},
    {"codec2-700c", "Codec2 700C", TCoderGroup::cgLowRate, TCoderModel::cmParametric, Codec2Rate700,
     700, NarrowRateHz, Codec2Band, DelayOf(Codec2Spec700C),
     &MakeLibrary<Codec2Spec700C, &NewCodec2<TCodec2Codec::TMode::m700C>>},
    {"g729", "G.729", TCoderGroup::cgVoip, TCoderModel::cmWaveform, G729Rates, TG729Codec::BitRate,
     NarrowRateHz, NarrowbandTelephony, DelayOf(G729Spec),
     &MakeLibrary<G729Spec, &NewFixed<TG729Codec>>},
});

// The program's own rows come first, in their own table's order, and the groups keep theirs.
static_assert([] {
    for (std::size_t k = 0; k < analysis::Coders.size(); ++k) {
        if (Rows[k].Name != analysis::Coders[k].ToolName) {
            return false;
        }
    }
    return std::is_sorted(Rows.begin(), Rows.end(),
                          [](const TCoderRow& a, const TCoderRow& b) { return a.Group < b.Group; });
}());

bool HasRates(const TCoderRow& row) {
    return row.BitRates.size() > 1;
}

// The names a row allows, for a message: "g722", "g726-16|24|32|40", "opus-N (N 6 to 64)".
std::string AllowedNames(const TCoderRow& row) {
    std::string text(row.Name);
    if (!HasRates(row)) {
        return text;
    }
    if (row.BitRates.size() > 10) {
        return text + "-N (N " + KbitName(row.BitRates.front()) + " to " +
               KbitName(row.BitRates.back()) + ")";
    }
    text += "-";
    for (std::size_t k = 0; k < row.BitRates.size(); ++k) {
        text += (k > 0 ? "|" : "") + KbitName(row.BitRates[k]);
    }
    return text;
}

std::string AllAllowedNames() {
    std::string text;
    for (const TCoderRow& row : Rows) {
        text += (text.empty() ? "" : ", ") + AllowedNames(row);
    }
    return text;
}

// The coder `name` names; `also` ends the list of what is allowed instead.
TCoderChoice ParseName(std::string_view name, std::string_view also) {
    for (const TCoderRow& row : Rows) {
        if (!HasRates(row)) {
            if (name == row.Name) {
                return {&row, row.BitRates.front()};
            }
            continue;
        }
        if (!name.starts_with(row.Name) || name.size() <= row.Name.size() ||
            name[row.Name.size()] != '-') {
            continue;
        }
        const std::string_view rate = name.substr(row.Name.size() + 1);
        for (const int bitRate : row.BitRates) {
            if (rate == KbitName(bitRate)) {
                return {&row, bitRate};
            }
        }
        throw TCoderNameError("'" + std::string(name) + "' names no rate of " +
                              std::string(row.Caption) + ": allowed " + AllowedNames(row));
    }
    throw TCoderNameError("unknown coder '" + std::string(name) + "': allowed " +
                          AllAllowedNames() + std::string(also));
}

} // namespace

std::span<const TCoderRow> CoderRows() {
    return Rows;
}

std::string KbitName(int bitRate) {
    char text[32];
    if (bitRate % 1000 == 0) {
        std::snprintf(text, sizeof text, "%d", bitRate / 1000);
    } else {
        std::snprintf(text, sizeof text, "%d.%02d", bitRate / 1000, bitRate % 1000 / 10);
    }
    return text;
}

std::string TCoderChoice::Name() const {
    return HasRates(*Row) ? std::string(Row->Name) + "-" + KbitName(BitRate)
                          : std::string(Row->Name);
}

std::string TCoderChoice::Caption() const {
    return HasRates(*Row) ? std::string(Row->Caption) + " " + KbitName(BitRate) + " kbit/s"
                          : std::string(Row->Caption);
}

TCoderChoice ParseCoderName(std::string_view name) {
    return ParseName(name, "");
}

std::vector<TCoderChoice> ParseCoderList(std::string_view list) {
    std::vector<TCoderChoice> choices;
    const auto add = [&](const TCoderChoice& choice) {
        if (std::find(choices.begin(), choices.end(), choice) == choices.end()) {
            choices.push_back(choice);
        }
    };
    while (true) {
        const std::size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        if (name == "all" || name == "library") {
            for (const TCoderRow& row : Rows) {
                if ((row.Group == TCoderGroup::cgOrvex) == (name == "all")) {
                    add({&row, row.DefaultBitRate});
                }
            }
        } else {
            add(ParseName(name, ", all, library"));
        }
        if (comma == std::string_view::npos) {
            return choices;
        }
        list.remove_prefix(comma + 1);
    }
}

std::unique_ptr<TStreamCoder> MakeCoder(const TCoderChoice& choice, TCoderPath path) {
    return choice.Row->Make(*choice.Row, choice.BitRate, path);
}

} // namespace codecs
