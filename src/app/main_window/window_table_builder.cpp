// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_table_builder.h"

#include "analysis/frames/analyzer.h"

#include <chrono>

namespace app {
namespace {

constexpr std::chrono::milliseconds SettleTime{1};

// Ends the build however it ends, so an error that escapes a message handler run inside
// it cannot leave the busy flag set for good.
class TBusyScope {
public:
    TBusyScope() = default;
    ~TBusyScope() { analysis::EndWindowTableBuild(); }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;
};

} // namespace

void TWindowTableBuilder::Build(analysis::WindowKind kind) {
    if (!analysis::BeginWindowTableBuild()) {
        pending_ = kind;
        return;
    }
    const TBusyScope busy;
    pending_.reset();
    std::optional<analysis::WindowKind> next = kind;
    while (next) {
        analysis::LoadWindowTable(*next);
        platform_.ProcessMessages();
        platform_.Sleep(SettleTime);
        next = pending_;
        pending_.reset();
    }
}

} // namespace app
