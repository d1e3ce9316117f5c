// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/file_playback.h"
#include "sound/recent_samples.h"

#include <optional>
#include <string>

#include <QString>

namespace app {

// The material the coders are judged on: the file that plays, its name as shown, and its
// loop region if it loops one (samples at 16000 Hz); or live input, its latest samples. An
// empty path and no live input while the tone plays.
struct TMaterialSource {
    std::string Path; // the name's bytes as the file system takes them
    QString Name;
    std::optional<sound::TSampleRegion> Region;
    // Live input's latest samples while it records, else null; it must outlive the source's
    // use by whoever is given it (until the next source is given).
    const sound::TRecentSamples* Live = nullptr;

    bool IsTone() const { return Path.empty() && Live == nullptr; }
};

} // namespace app
