// SPDX-License-Identifier: GPL-3.0-or-later
// Every coder of the table, the program's and the libraries', on speech flite speaks here:
// streamed in pieces it gives what it gives whole, and afresh after Reset; a library coder's
// output, moved back by its delay, lines up with the original; every name parses back to its
// coder and a bad one is refused with what is allowed.

#include "analysis/coding/coder_kind.h"
#include "analysis/coding/stream_coder.h"
#include "codecs/coder_table.h"
#include "codecs/opus_codec.h"
#include "codecs/speex_codec.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace codecs;

// A few seconds of speech at 16000 Hz, unit scale, its peak 3 dB below full scale: the phrase
// the delays kept as constants were measured on.
const std::vector<double>& Speech() {
    static const std::vector<double> speech = [] {
        const std::string wav = testing::TempDir() + "orvex_codecs_speech.wav";
        const std::string raw = testing::TempDir() + "orvex_codecs_speech.raw";
        const int status =
            std::system(("flite -voice kal16 -o " + wav +
                         " -t 'The quick brown fox jumps "
                         "over the lazy dog, and a codec engineer listens to speech coded by a "
                         "square root coder.' && sox " +
                         wav + " -r 16000 -b 16 -e signed-integer -t raw " + raw + " gain -n -3")
                            .c_str());
        EXPECT_EQ(status, 0);
        std::vector<double> samples;
        std::ifstream file(raw, std::ios::binary);
        for (std::int16_t sample = 0; file.read(reinterpret_cast<char*>(&sample), sizeof sample);) {
            samples.push_back(sample / 32767.0);
        }
        return samples;
    }();
    return speech;
}

struct TPath {
    TCoderChoice Choice;
    TCoderPath Path;
    std::string Name;
};

// Every coder at its default rate, and each narrowband one's resampling alone.
std::vector<TPath> EveryPath(bool libraryOnly) {
    std::vector<TPath> paths;
    for (const TCoderRow& row : CoderRows()) {
        if (libraryOnly && row.Group == TCoderGroup::cgOrvex) {
            continue;
        }
        const TCoderChoice choice{&row, row.DefaultBitRate};
        paths.push_back({choice, TCoderPath::cpCoded, choice.Name()});
        if (row.SampleRateHz != analysis::StreamRateHz) {
            paths.push_back(
                {choice, TCoderPath::cpResamplingOnly, choice.Name() + " resampling only"});
        } else {
            EXPECT_EQ(MakeCoder(choice, TCoderPath::cpResamplingOnly), nullptr) << choice.Name();
        }
    }
    return paths;
}

TEST(StreamCoders, PiecesOfAnySizeGiveTheWholeAndResetStartsAfresh) {
    const std::vector<double>& speech = Speech();
    ASSERT_GT(speech.size(), 32000u);
    constexpr std::size_t PieceSizes[] = {1, 7, 160, 1000, 3, 319, 321, 4096};
    for (const TPath& path : EveryPath(false)) {
        std::vector<double> whole(speech.size());
        MakeCoder(path.Choice, path.Path)->Code(speech, whole);

        const auto coder = MakeCoder(path.Choice, path.Path);
        std::vector<double> pieces(speech.size());
        for (std::size_t done = 0, piece = 0; done < speech.size(); ++piece) {
            const std::size_t count =
                std::min(PieceSizes[piece % std::size(PieceSizes)], speech.size() - done);
            coder->Code(std::span(speech).subspan(done, count),
                        std::span(pieces).subspan(done, count));
            done += count;
        }
        EXPECT_EQ(pieces, whole) << path.Name;

        coder->Reset();
        std::vector<double> again(speech.size());
        coder->Code(speech, again);
        EXPECT_EQ(again, whole) << path.Name;
    }
}

// The lag, within 50 ms either way, at which `coded` correlates best with `original`.
int PeakLag(std::span<const double> original, std::span<const double> coded) {
    constexpr int Search = 800;
    int best = 0;
    double bestSum = 0.0;
    for (int lag = -Search; lag <= Search; ++lag) {
        double sum = 0.0;
        for (std::size_t k = Search; k + Search < original.size(); ++k) {
            sum += original[k] * coded[static_cast<std::size_t>(static_cast<int>(k) + lag)];
        }
        if (sum > bestSum) {
            bestSum = sum;
            best = lag;
        }
    }
    return best;
}

// The energy of the last 10 ms at each sample.
std::vector<double> Envelope(std::span<const double> signal) {
    constexpr std::size_t Window = 160;
    std::vector<double> envelope(signal.size());
    double sum = 0.0;
    for (std::size_t k = 0; k < signal.size(); ++k) {
        sum +=
            signal[k] * signal[k] - (k >= Window ? signal[k - Window] * signal[k - Window] : 0.0);
        envelope[k] = sum;
    }
    return envelope;
}

// Measures each library coder's delay again: its constant, from the library where it says
// (Opus's lookahead) or measured once on this phrase, lines the output up with the original.
// A vocoder's waveform lines up only to within a pitch period: its energy is held to a frame.
TEST(LibraryCoders, CodedSpeechMovedBackByTheDelayPeaksAtLagZero) {
    const std::vector<double>& speech = Speech();
    constexpr int VocoderFrame = 320; // 20 ms
    for (const TPath& path : EveryPath(true)) {
        const auto coder = MakeCoder(path.Choice, path.Path);
        EXPECT_EQ(coder->DelaySamples(), path.Choice.Row->DelaySamples) << path.Name;
        const std::vector<double> coded = analysis::CodeAligned(*coder, speech);
        if (path.Choice.Row->Model == TCoderModel::cmWaveform ||
            path.Path == TCoderPath::cpResamplingOnly) {
            EXPECT_EQ(PeakLag(speech, coded), 0) << path.Name;
        } else {
            EXPECT_LE(std::abs(PeakLag(Envelope(speech), Envelope(coded))), VocoderFrame)
                << path.Name;
        }
    }
    // What the libraries state agrees with what the table keeps.
    EXPECT_EQ(TOpusCodec(24000).LookaheadSamples(), TOpusCodec::Lookahead);
    EXPECT_EQ(TSpeexCodec().BitRate(), ParseCoderName("speex-wb").BitRate);
}

TEST(CoderNames, EveryNameParsesBackAndABadOneIsRefusedWithWhatIsAllowed) {
    std::size_t libraryRows = 0;
    for (const TCoderRow& row : CoderRows()) {
        libraryRows += row.Group != TCoderGroup::cgOrvex;
        for (const int bitRate : row.BitRates) {
            const TCoderChoice choice{&row, bitRate};
            EXPECT_EQ(ParseCoderName(choice.Name()), choice) << choice.Name();
            EXPECT_EQ(MakeCoder(choice)->BitRate(), bitRate) << choice.Name();
        }
    }
    const struct {
        const char* name;
        int bitRate;
    } good[] = {{"amrwb-12.65", 12650}, {"amrwb-6.60", 6600}, {"opus-6", 6000}, {"opus-64", 64000},
                {"g726-40", 40000},     {"codec2-700c", 700}, {"g722", 64000},  {"mulaw", 128000}};
    for (const auto& c : good) {
        EXPECT_EQ(ParseCoderName(c.name).BitRate, c.bitRate) << c.name;
    }
    for (const char* bad : {"opus-5", "opus-65", "opus-24.5", "opus-", "amrwb-12.6", "amrwb-24",
                            "g726-8", "g722-64", "codec2", "gsm2", "", "library"}) {
        try {
            ParseCoderName(bad);
            ADD_FAILURE() << bad << " is taken";
        } catch (const TCoderNameError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("allowed"), std::string::npos) << message;
            EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        }
    }
    EXPECT_EQ(ParseCoderList("all").size(), analysis::Coders.size());
    const std::vector<TCoderChoice> library = ParseCoderList("library");
    ASSERT_EQ(library.size(), libraryRows);
    EXPECT_EQ(library.front().Name(), "g722");
    EXPECT_EQ(ParseCoderList("g722,all,library,opus-24,opus-32").size(),
              analysis::Coders.size() + libraryRows + 1);
    EXPECT_THROW(ParseCoderList("pcm,,g722"), TCoderNameError);
}

} // namespace
