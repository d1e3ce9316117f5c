// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/coding/stream_coder.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace codecs {

// How the coders are grouped in a list or a menu, in this order.
enum class TCoderGroup : std::uint8_t {
    cgOrvex,      // the program's own sample coders
    cgWideband,   // wideband telephony
    cgNarrowband, // narrowband telephony
    cgLowRate,    // low bit rates
    cgVoip,       // voice over IP
};

struct TCoderGroupInfo {
    TCoderGroup Group;
    std::string_view Caption;
};

inline constexpr std::array<TCoderGroupInfo, 5> CoderGroups = {{
    {TCoderGroup::cgOrvex, "Orvex"},
    {TCoderGroup::cgWideband, "Wideband telephony"},
    {TCoderGroup::cgNarrowband, "Narrowband telephony"},
    {TCoderGroup::cgLowRate, "Low rate"},
    {TCoderGroup::cgVoip, "VoIP"},
}};

// What a coder's output is made to match: the waveform, or (a vocoder) a model of the speech
// with phases of its own, whose waveform lines up with the original only to within about a
// pitch period, and whose SNR says little of what is heard.
enum class TCoderModel : std::uint8_t { cmWaveform, cmParametric };

// Which path a coder's factory makes: the coder, or for a narrowband coder the same resampling
// to 8000 Hz and back without the coder, with the coder's delay.
enum class TCoderPath : std::uint8_t { cpCoded, cpResamplingOnly };

struct TCoderRow;
using CoderFactory = std::unique_ptr<analysis::TStreamCoder> (*)(const TCoderRow& row, int bitRate,
                                                                 TCoderPath path);

// Everything the program says about a coder. The tool's names, the menus, the figures, the
// curves and the benchmarks are all built from this table: a row adds a coder to them all.
struct TCoderRow {
    std::string_view Name;    // the tool's name; with several rates, the stem of "Name-N"
    std::string_view Caption; // for lists and menus; a rate's caption adds the rate
    TCoderGroup Group;
    TCoderModel Model;
    std::span<const int> BitRates; // bit/s: one, or the rates N names in kbit/s
    int DefaultBitRate;            // the rate `library` takes
    int SampleRateHz;              // the rate it codes at: 16000, or 8000 through libsoxr
    analysis::TAudioBand Band;     // nominal, Hz
    int DelaySamples;              // at 16000 Hz, lead, lookahead and resampling in all
    CoderFactory Make;
};

// Every coder: the program's eight first, in their own order, then the libraries' by group.
std::span<const TCoderRow> CoderRows();

// A coder at one of its rates.
struct TCoderChoice {
    const TCoderRow* Row = nullptr;
    int BitRate = 0;

    std::string Name() const;    // "opus-24", "g722"
    std::string Caption() const; // "Opus 24 kbit/s", "G.722"
    bool operator==(const TCoderChoice&) const = default;
};

// A rate in kbit/s as names spell it: "24", "12.65", "6.60".
std::string KbitName(int bitRate);

// Why a name names no coder: what() is one line that lists what is allowed.
class TCoderNameError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// The coder `name` names. Throws TCoderNameError for any other.
TCoderChoice ParseCoderName(std::string_view name);
// Coders named by a comma-separated list, in its order, each once: names, `all` for the
// program's eight, `library` for each library coder at its default rate.
std::vector<TCoderChoice> ParseCoderList(std::string_view list);

// A new coder, or for the resampling only path of a coder at 16000 Hz, null.
std::unique_ptr<analysis::TStreamCoder> MakeCoder(const TCoderChoice& choice,
                                                  TCoderPath path = TCoderPath::cpCoded);

} // namespace codecs
