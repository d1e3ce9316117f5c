#include "window_table_builder.h"

#include "analysis/analyzer_state.h"
#include "analysis/window_table.h"

#include <chrono>

namespace app {
namespace {

constexpr std::chrono::milliseconds SettleTime{1};

// Clears the busy flag however the build ends.
class TBusyScope {
public:
    TBusyScope() { analysis::AnalyzerState.WindowTableBusy = true; }
    ~TBusyScope() { analysis::AnalyzerState.WindowTableBusy = false; }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;
};

} // namespace

void TWindowTableBuilder::Build(analysis::WindowKind kind) {
    if (analysis::AnalyzerState.WindowTableBusy) {
        pending_ = kind;
        return;
    }
    const TBusyScope busy;
    pending_.reset();
    std::optional<analysis::WindowKind> next = kind;
    while (next) {
        analysis::FillWindowTable(*next, analysis::WindowTable);
        platform_.ProcessMessages();
        platform_.Sleep(SettleTime);
        next = pending_;
        pending_.reset();
    }
}

} // namespace app
