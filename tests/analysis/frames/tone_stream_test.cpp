// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/frames/analyzer.h"
#include "analysis/frames/frame_pipeline.h"
#include "analysis/frames/tone_stream.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace analysis;

// 17 frames take 17408 samples: past the clock's wrap from 16000 to 1.
constexpr int FramesPastWrap = 17;

// The coded samples a fresh analyzer's frames take, in order.
std::vector<double> FrameSamples(std::int32_t frequencyHz, int levelDb, CodingMode mode) {
    StartAnalyzer(StartWindowKind, levelDb);
    std::vector<double> samples(static_cast<std::size_t>(FramesPastWrap) * FrameLength);
    for (int frame = 0; frame < FramesPastWrap; ++frame) {
        SynthesiseFrame(frequencyHz, mode,
                        std::span(samples).subspan(static_cast<std::size_t>(frame) * FrameLength,
                                                   FrameLength));
    }
    return samples;
}

// The stream's values in blocks of uneven sizes, as an audio device asks for them.
std::vector<float> Streamed(TToneStream& stream, std::size_t count) {
    constexpr std::array<std::size_t, 5> BlockSizes = {1, 333, 1024, 4097, 160};
    std::vector<float> values(count);
    std::size_t done = 0;
    for (std::size_t block = 0; done < count; ++block) {
        const std::size_t size = std::min(BlockSizes[block % BlockSizes.size()], count - done);
        stream.Fill(std::span(values).subspan(done, size));
        done += size;
    }
    return values;
}

TEST(ToneStream, PlaysTheFramesCodedSamplesAndTheirErrorSampleForSampleOverTheClockWrap) {
    struct Case {
        std::int32_t frequencyHz;
        int levelDb;
        CodingMode mode;
    };
    for (const Case c : {Case{1000, 0, CodingMode::cmPCM}, Case{1733, 0, CodingMode::cmIter1},
                         Case{4321, -37, CodingMode::cmIter1}, Case{997, 0, CodingMode::cmOrvexSqrt}}) {
        SCOPED_TRACE(testing::Message() << c.frequencyHz << " Hz " << c.levelDb << " dB mode "
                                        << static_cast<int>(c.mode));
        const std::vector<double> coded = FrameSamples(c.frequencyHz, c.levelDb, c.mode);
        const std::vector<double> exact = FrameSamples(c.frequencyHz, c.levelDb, CodingMode::cmPCM);
        TToneStream codedStream({c.frequencyHz, c.levelDb, c.mode, TStreamContent::scCoded});
        TToneStream errorStream({c.frequencyHz, c.levelDb, c.mode, TStreamContent::scError});
        const std::vector<float> played = Streamed(codedStream, coded.size());
        const std::vector<float> error = Streamed(errorStream, coded.size());
        int mismatches = 0;
        float loudestError = 0.0f;
        for (std::size_t n = 0; n < coded.size(); ++n) {
            mismatches += played[n] != static_cast<float>(coded[n] / 32767.0);
            mismatches += error[n] != PlayedError(coded[n], exact[n]);
            loudestError = std::max(loudestError, std::abs(error[n]));
        }
        EXPECT_EQ(mismatches, 0);
        EXPECT_EQ(codedStream.Clock(), 17408 - 16000);
        // PCM has no error at all; the coders' error, raised, is plainly audible and in range.
        if (c.mode == CodingMode::cmPCM) {
            EXPECT_EQ(loudestError, 0.0f);
        } else {
            EXPECT_GT(loudestError, 1e-3f);
            EXPECT_LE(loudestError, 1.0f);
        }
    }
}

TEST(ToneStream, AChangeTakesEffectWithTheNextBlockAndTheClockRunsOn) {
    TToneStream stream;
    std::array<float, 100> first{};
    stream.Fill(first);
    const TStreamSettings changed{3000, -6, CodingMode::cmIter1, TStreamContent::scCoded};
    stream.Change(changed);
    EXPECT_EQ(stream.Settings(), changed);
    std::array<float, 100> second{};
    stream.Fill(second);

    // A stream that had the new settings from the start gives the same second block.
    TToneStream reference(changed);
    std::array<float, 200> both{};
    reference.Fill(both);
    EXPECT_TRUE(std::equal(second.begin(), second.end(), both.begin() + 100));
    EXPECT_FALSE(std::equal(first.begin(), first.end(), both.begin()));
    // Errors beyond full scale are clipped, not wrapped.
    EXPECT_EQ(PlayedError(32767.0, 0.0), 1.0f);
    EXPECT_EQ(PlayedError(-32767.0, 0.0), -1.0f);
}

} // namespace
