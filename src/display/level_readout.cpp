// SPDX-License-Identifier: GPL-3.0-or-later
#include "level_readout.h"

#include "controls/gauge_look.h"

#include <array>
#include <cassert>
#include <charconv>
#include <cstdlib>

namespace display {
namespace {

// The digits of a whole number in fixed notation without decimals, like "%1.0f", but
// independent of the process locale.
std::string WholeNumberText(double value) {
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::fixed, 0);
    assert(error == std::errc());
    return std::string(buffer.data(), end);
}

std::string FormatLevelText(int attenuationDb) {
    return "- " + WholeNumberText(static_cast<double>(attenuationDb)) + " dB";
}

std::string FormatFrequencyText(int frequencyHz) {
    std::array<char, 16> buffer{};
    const auto [end, error] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), frequencyHz);
    assert(error == std::errc());
    return std::string(buffer.data(), end) + " Hz";
}

} // namespace

void ConfigureGauge(controls::TGaugeSlider& gauge, const TGaugeRange& range) {
    controls::ApplyGaugeLook(gauge, controls::PanelGaugeLook);
    gauge.SetMin(range.Min);
    gauge.SetMax(range.Max);
    gauge.SetPosition(range.Start);
    gauge.SetSmallChange(range.SmallStep);
    gauge.SetLargeChange(range.LargeStep);
}

TLevelReadout ReadLevelControls(int levelPosition, int frequencyPosition) {
    // Positions are clamped to the range, so this is the level's distance below full scale.
    const int attenuation = std::abs(levelPosition - LevelGaugeRange.Max);
    return {FormatLevelText(attenuation), FormatFrequencyText(frequencyPosition), -attenuation};
}

std::string SourceGainText(int levelDb) {
    return "gain " + FormatLevelText(-levelDb);
}

} // namespace display
