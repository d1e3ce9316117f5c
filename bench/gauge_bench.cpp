// SPDX-License-Identifier: GPL-3.0-or-later
// Painting one gauge slider of the main window: the whole 142 x 18 client area drawn into
// the control's surface and copied to its window.

#include "controls/gauge_slider.h"
#include "display/level_readout.h"
#include "display/window_layout.h"
#include "platform/custom_control.h"
#include "platform/geometry.h"
#include "platform/scripted/scripted_control_host.h"
#include "platform/scripted/scripted_platform.h"
#include "platform/window_canvas.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

constexpr std::int32_t Width = display::layout::GaugeF.Width;
constexpr std::int32_t Height = display::layout::GaugeF.Height;

// A window's pixels, which a paint copies into as a toolkit's image would take them.
class TImageCanvas : public platform::IWindowCanvas {
public:
    TImageCanvas() : pixels_(static_cast<std::size_t>(Width * Height)) {}

    void BlockCopy(const platform::TPixelBlock& source, const platform::TRect& area) override {
        const platform::TRect r =
            platform::Intersection(platform::Intersection(area, platform::SizeRect(Width, Height)),
                                   platform::SizeRect(source.width, source.height));
        for (std::int32_t y = r.top; y < r.bottom; ++y) {
            const std::uint32_t* from = source.pixels + y * source.width + r.left;
            std::copy(from, from + r.Width(), pixels_.data() + y * Width + r.left);
        }
    }

    const std::uint32_t* Data() const { return pixels_.data(); }

private:
    std::vector<std::uint32_t> pixels_;
};

// Arg 0: GaugeLevel at its start (no next track); arg 1: GaugeF at its start (both track
// parts).
void BM_PaintGauge(benchmark::State& state) {
    const display::TGaugeRange& range =
        state.range(0) == 0 ? display::LevelGaugeRange : display::FrequencyGaugeRange;
    platform::scripted::TScriptedPlatform platform;
    controls::TGaugeSlider gauge(platform);
    display::ConfigureGauge(gauge, range);
    platform::scripted::TScriptedControlHost host(platform, gauge,
                                                  display::layout::GaugeF.Bounds());
    TImageCanvas window;
    for (auto _ : state) {
        gauge.Paint(window, platform::PaintReason::prInvalidated);
        benchmark::DoNotOptimize(window.Data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PaintGauge)->Arg(0)->Arg(1);

} // namespace
