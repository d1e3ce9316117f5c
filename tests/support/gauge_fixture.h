// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The two sliders of the main window, each shown by a scripted window at its place in the
// layout, with every notification recorded against the manual clock.

#include "controls/gauge_look.h"
#include "controls/gauge_slider.h"
#include "platform/scripted/scripted_control_host.h"
#include "platform/scripted/scripted_platform.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

namespace support {

enum class TGaugeRole : std::uint8_t { grLevel, grFrequency };

inline constexpr std::int32_t GaugeWidth = 142;
inline constexpr std::int32_t GaugeHeight = 18;

struct TRecordedChange {
    std::chrono::milliseconds at;
    std::int32_t position;

    friend bool operator==(const TRecordedChange&, const TRecordedChange&) = default;
};

inline void PrintTo(const TRecordedChange& change, std::ostream* os) {
    *os << change.position << " at " << change.at.count() << " ms";
}

struct TGaugeFixture {
    platform::scripted::TScriptedPlatform platform;
    controls::TGaugeSlider gauge{platform};
    std::unique_ptr<platform::scripted::TScriptedControlHost> host;
    std::vector<TRecordedChange> changes;     // OnChange, with the position it saw
    std::vector<TRecordedChange> userChanges; // OnUserChange

    // GaugeLevel (0..160 at 160) or GaugeF (0..8000 at 1000), steps 1 and 10, configured
    // as the window's layout does: range first, handlers last, so nothing is notified.
    explicit TGaugeFixture(TGaugeRole role) {
        const bool level = role == TGaugeRole::grLevel;
        controls::ApplyGaugeLook(gauge, controls::PanelGaugeLook);
        gauge.SetMax(level ? 160 : 8000);
        gauge.SetPosition(level ? 160 : 1000);
        gauge.SetSmallChange(1);
        gauge.SetLargeChange(10);
        gauge.SetOnChange([this](controls::TGaugeSlider& sender) {
            changes.push_back({platform.Now(), sender.Position()});
        });
        gauge.SetOnUserChange([this](controls::TGaugeSlider& sender) {
            userChanges.push_back({platform.Now(), sender.Position()});
        });
        const platform::TPoint place =
            level ? platform::TPoint{36, 317} : platform::TPoint{36, 361};
        host = std::make_unique<platform::scripted::TScriptedControlHost>(
            platform, gauge,
            platform::TRect{place.x, place.y, place.x + GaugeWidth, place.y + GaugeHeight});
    }

    ~TGaugeFixture() { host.reset(); }
    TGaugeFixture(const TGaugeFixture&) = delete;
    TGaugeFixture& operator=(const TGaugeFixture&) = delete;

    std::vector<std::int32_t> ChangedPositions() const {
        std::vector<std::int32_t> positions;
        for (const TRecordedChange& change : changes) {
            positions.push_back(change.position);
        }
        return positions;
    }
};

} // namespace support
