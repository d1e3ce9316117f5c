// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/coding/sample_stream_coder.h"
#include "analysis/common/numeric_constants.h"
#include "analysis/figures/coder_figures.h"
#include "analysis/figures/material_meter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace {

using analysis::TMaterialMeter;

// Coders whose error is known by construction: y = x (1 + g) gives e = g x, so every segment
// and the whole have the SNR -20 log10 |g|.
template <int GainPpm>
double Scaled(double x) {
    return x * (1.0 + GainPpm / 1e6);
}
std::vector<double> Sine(std::size_t length, double amplitude, double hz) {
    std::vector<double> samples(length);
    for (std::size_t n = 0; n < length; ++n) {
        samples[n] = amplitude * std::sin(2.0 * M_PI * hz * static_cast<double>(n) / 16000.0);
    }
    return samples;
}

// A scaled copy's SNR is its scale's, the whole and each segment alike, until a segment's
// is limited at 35 dB above or -10 dB below; silence has no figures; a single loud click in a
// quiet signal leaves only its own segments active; the largest error and the active level
// are those of the signal made.
TEST(MaterialMeter, FiguresOfSignalsWhoseAnswerIsKnown) {
    const analysis::SampleCodeFunction codes[] = {
        &Scaled<100000>,   // e = 0.1 x: 20 dB
        &Scaled<10000>,    // 0.01 x: 40 dB, segments limited at 35 dB
        &Scaled<-4000000>, // -4 x: -12.0 dB, segments limited at -10 dB
        &analysis::PassUncoded,
    };
    const struct {
        double snrDb;
        double segmentalDb;
    } expected[] = {{20.0, 20.0}, {40.0, 35.0}, {-12.041, -10.0}, {INFINITY, 35.0}};

    TMaterialMeter meter(codes);
    const std::vector<double> sine = Sine(16000, 8000.0, 440.0);
    meter.Feed(std::span(sine).first(1000));
    meter.Feed(std::span(sine).subspan(1000));
    EXPECT_EQ(meter.SamplesFed(), 16000);
    for (std::size_t c = 0; c < std::size(codes); ++c) {
        SCOPED_TRACE(c);
        const analysis::TMaterialFigures figures = meter.Figures(c);
        if (std::isinf(expected[c].snrDb)) {
            EXPECT_TRUE(std::isinf(figures.SnrDb));
            EXPECT_EQ(figures.LargestError, 0.0);
            EXPECT_EQ(figures.LogSpectralDistanceDb, 0.0);
        } else {
            EXPECT_NEAR(figures.SnrDb, expected[c].snrDb, 1e-3);
        }
        EXPECT_NEAR(figures.SegmentalSnrDb, expected[c].segmentalDb, 1e-3);
        // (16000 - 480) / 120 + 1 segments, every one active.
        EXPECT_EQ(figures.Segments, 130);
        EXPECT_NEAR(figures.ActiveLevelDb, 20.0 * std::log10(8000.0 / 32767.0) - 3.0103, 0.01);
    }
    EXPECT_NEAR(meter.Figures(0).LargestError, 800.0, 0.5);

    // A gain moves every bin of a noise, all above the spectra's floor, by 20 log10(1.1) dB.
    std::vector<double> noise(16000);
    unsigned state = 12345;
    for (double& sample : noise) {
        state = state * 1103515245u + 12345u;
        sample = static_cast<double>(static_cast<int>(state >> 16) % 20001 - 10000);
    }
    TMaterialMeter noisy(codes);
    noisy.Feed(noise);
    EXPECT_NEAR(noisy.Figures(0).LogSpectralDistanceDb, 20.0 * std::log10(1.1), 1e-6);

    TMaterialMeter silent(codes);
    silent.Feed(std::vector<double>(4000, 0.0));
    EXPECT_TRUE(std::isnan(silent.Figures(0).SnrDb));
    EXPECT_TRUE(std::isnan(silent.Figures(0).SegmentalSnrDb));
    EXPECT_EQ(silent.Figures(0).Segments, 0);

    // A sine 80 dB below a click of full scale: only the four segments holding the click lie
    // within 50 dB of the loudest, and they overlap, so they make one worst moment.
    std::vector<double> clicked = Sine(16000, 3.2767, 1000.0);
    clicked[8000] = 32767.0;
    TMaterialMeter meter2(codes);
    meter2.Feed(clicked);
    EXPECT_EQ(meter2.Figures(0).Segments, 4);
    const std::vector<analysis::TWorstMoment> worst = meter2.WorstMoments(0, 10);
    ASSERT_EQ(worst.size(), 1u) << "the four active segments overlap one another";
    EXPECT_GE(worst[0].FirstSample, 8000 - 479);
    EXPECT_LE(worst[0].FirstSample, 8000);

    // A steady error on a sine that grows louder: the earlier a segment, the lower its SNR, so
    // the worst moments are the first segments that do not overlap, worst first.
    const analysis::SampleCodeFunction offset[] = {[](double x) { return x + 100.0; }};
    std::vector<double> growing = Sine(16000, 1.0, 440.0);
    for (std::size_t n = 0; n < growing.size(); ++n) {
        growing[n] *= 1000.0 + 30000.0 * static_cast<double>(n) / 16000.0;
    }
    TMaterialMeter rising(offset);
    rising.Feed(growing);
    const std::vector<analysis::TWorstMoment> first = rising.WorstMoments(0, 5);
    ASSERT_EQ(first.size(), 5u);
    for (std::size_t k = 0; k < first.size(); ++k) {
        EXPECT_EQ(first[k].FirstSample, static_cast<std::int64_t>(480 * k)) << k;
        EXPECT_LT(first[k].SnrDb, k + 1 < first.size() ? first[k + 1].SnrDb : 35.0) << k;
    }
}

// Over one second of the tone, each coding mode's SNR is its coder figures' own, bit for bit.
TEST(MaterialMeter, ATonesSnrIsTheCoderFigures) {
    std::vector<long double> sines(analysis::SecondSamples);
    std::vector<double> samples(analysis::SecondSamples);
    analysis::FillSecondSines(1733, std::span<long double, analysis::SecondSamples>(sines));
    analysis::FillSecondSamples(std::span<const long double, analysis::SecondSamples>(sines), -20,
                                std::span<double, analysis::SecondSamples>(samples));
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        if (coder.Family != analysis::TCoderFamily::cfSquareRoot) {
            continue;
        }
        const analysis::SampleCodeFunction code = coder.Code;
        TMaterialMeter meter({&code, 1});
        meter.Feed(samples);
        EXPECT_EQ(meter.Figures(0).SnrDb,
                  analysis::MeasureCoderFigures(1733, -20, static_cast<analysis::CodingMode>(coder.Kind)).SnrDb)
            << coder.ToolName;
    }
}

// Each of the eight coders as a stream coder, its output fed coded in pieces, has the figures
// its code function gives the meter itself.
TEST(MaterialMeter, StreamCodersFedCodedHaveTheirCodesFigures) {
    const std::vector<double> sine = Sine(16000, 8000.0, 1733.0);
    std::vector<double> unit(sine.size());
    std::transform(sine.begin(), sine.end(), unit.begin(),
                   [](double x) { return x / analysis::FullScale; });
    for (const analysis::TCoderInfo& info : analysis::Coders) {
        const analysis::SampleCodeFunction code = info.Code;
        TMaterialMeter byCode({&code, 1});
        byCode.Feed(sine);

        analysis::TSampleStreamCoder coder(info.Kind);
        std::vector<double> coded(unit.size());
        coder.Code(unit, coded);
        std::transform(coded.begin(), coded.end(), coded.begin(),
                       [](double y) { return y * analysis::FullScale; });
        TMaterialMeter fedCoded(1);
        for (const std::size_t cut : {std::size_t{0}, std::size_t{1001}}) {
            const std::size_t end = cut == 0 ? 1001 : sine.size();
            const std::span<const double> part[] = {std::span(coded).subspan(cut, end - cut)};
            fedCoded.FeedCoded(std::span(sine).subspan(cut, end - cut), part);
        }
        const analysis::TMaterialFigures expected = byCode.Figures(0);
        const analysis::TMaterialFigures figures = fedCoded.Figures(0);
        if (std::isinf(expected.SnrDb)) {
            EXPECT_EQ(figures.SnrDb, expected.SnrDb) << info.ToolName; // the uncoded one, exact
        } else {
            EXPECT_NEAR(figures.SnrDb, expected.SnrDb, 1e-6) << info.ToolName;
        }
        EXPECT_NEAR(figures.SegmentalSnrDb, expected.SegmentalSnrDb, 1e-6) << info.ToolName;
        EXPECT_NEAR(figures.LogSpectralDistanceDb, expected.LogSpectralDistanceDb, 1e-4)
            << info.ToolName;
    }
}

} // namespace
