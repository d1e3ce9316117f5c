// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/windows/window_kind.h"
#include "platform/platform.h"

#include <optional>

namespace app {

// Builds analysis windows into WindowTable the way the window menu needs it: after filling
// the table it lets every pending message run once and then sleeps 1 ms, so a frame that
// was due meanwhile runs on the complete new table.
//
// A choice that arrives while a build is letting messages run is not dropped: the latest
// such choice is built as soon as the running build ends, so the table always ends up as
// the last window chosen.
class TWindowTableBuilder {
public:
    // `platform` must outlive the builder.
    explicit TWindowTableBuilder(platform::IPlatform& platform) : platform_(platform) {}

    // Fills WindowTable with `kind` (and then with any choice made meanwhile); returns once
    // the table is complete. Called again while a build runs, it only remembers `kind`.
    // Uses and keeps AnalyzerState.WindowTableBusy as the guard.
    void Build(analysis::WindowKind kind);

    // The choice waiting for the running build to end, if any.
    std::optional<analysis::WindowKind> PendingKind() const { return pending_; }

private:
    platform::IPlatform& platform_;
    std::optional<analysis::WindowKind> pending_;
};

} // namespace app
