// SPDX-License-Identifier: GPL-3.0-or-later
#include "material_curves.h"

#include "analysis/frames/level_gain.h"
#include "material_meter.h"
#include "point_sharing.h"
#include "analysis/frames/sample_source.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <vector>

namespace analysis {
namespace {

// Samples scaled and fed at a time: between two blocks a stop is noticed.
constexpr std::size_t BlockSamples = 4096;

} // namespace

CurveOutcome ComputeMaterialCurves(std::span<const float> material, std::span<TMaterialPoint> points,
                                   std::stop_token stop, const MaterialCurveProgress& progress,
                                   int threads) {
    assert(points.size() == MaterialCurveBufferSize && threads >= 1);
    std::vector<SampleCodeFunction> codes;
    for (const TCoderInfo& coder : Coders) {
        codes.push_back(coder.Code);
    }
    const bool complete = SharePoints(MaterialCurvePoints, threads, std::move(stop), [&] {
        // Each thread's buffers, and its meter afresh for every gain.
        return [&, scaled = std::array<double, BlockSamples>{},
                row = std::array<TMaterialPoint, CoderCount>{}](int index, TPointSharing& sharing) mutable {
            // As the level slider scales a source.
            const double gain = GainFromAttenuation(-MaterialCurveGainDb(index));
            TMaterialMeter meter(codes);
            for (std::size_t first = 0; first < material.size(); first += BlockSamples) {
                if (sharing.Stopped()) {
                    return;
                }
                const std::size_t count = std::min(BlockSamples, material.size() - first);
                for (std::size_t k = 0; k < count; ++k) {
                    scaled[k] = SourceSample(UnitSample(material[first + k]), gain);
                }
                meter.Feed(std::span(scaled).first(count));
            }
            for (std::size_t c = 0; c < codes.size(); ++c) {
                const TMaterialFigures figures = meter.Figures(c);
                row[c] = {figures.SnrDb, figures.SegmentalSnrDb};
            }
            std::copy(row.begin(), row.end(),
                      points.begin() + static_cast<std::ptrdiff_t>(MaterialCurveBufferIndex(index, CoderKind::ckPCM)));
            sharing.Finished([&](int finished) {
                if (progress) {
                    progress(index, row, finished);
                }
            });
        };
    });
    return complete ? CurveOutcome::coComplete : CurveOutcome::coCancelled;
}

} // namespace analysis
