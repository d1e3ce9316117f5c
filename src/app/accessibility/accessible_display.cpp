// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessible_display.h"

#include "analysis/frames/analyzer_state.h"
#include "analysis/frames/frame_pipeline.h"
#include "display/figure_texts.h"
#include "app/common/translation.h"
#include "app/main_window/spectrum_form.h"

#include <string>
#include <string_view>

#include <QContextMenuEvent>
#include <QCoreApplication>

namespace app {
namespace {

constexpr auto DisplayName = "Spectrum";

// The first of the plotted bins with the largest value in the last frame.
int HighestBin() {
    int highest = 0;
    double highestValue = analysis::BinValue(0);
    for (int bin = 1; bin < analysis::PlottedBins; ++bin) {
        const double value = analysis::BinValue(bin);
        if (value > highestValue) {
            highest = bin;
            highestValue = value;
        }
    }
    return highest;
}

std::string Text(std::string_view text) {
    return std::string(text);
}

} // namespace

TAccessibleDisplay::TAccessibleDisplay(QWidget* widget, TSpectrumForm& form)
    : QAccessibleWidget(widget, QAccessible::Graphic), form_(form) {}

QString TAccessibleDisplay::text(QAccessible::Text t) const {
    switch (t) {
    case QAccessible::Name:
        if (!widget()->accessibleName().isEmpty()) {
            return widget()->accessibleName();
        }
        return QString::fromUtf8(DisplayName);
    case QAccessible::Description:
        if (!widget()->accessibleDescription().isEmpty()) {
            return widget()->accessibleDescription();
        }
        return Description();
    default:
        return QAccessibleWidget::text(t);
    }
}

QStringList TAccessibleDisplay::actionNames() const {
    return {showMenuAction()};
}

void TAccessibleDisplay::doAction(const QString& actionName) {
    if (actionName == showMenuAction()) {
        const QPoint middle = widget()->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Keyboard, middle, widget()->mapToGlobal(middle));
        QCoreApplication::sendEvent(widget(), &event);
    }
}

QString TAccessibleDisplay::Description() const {
    std::string description;
    // Qt asks from its own event handling, which no exception may reach.
    form_.Guarded([this, &description] {
        const int peak = HighestBin();
        description = "Window: " +
                      WindowCaption(analysis::AnalyzerState.CurrentWindowKind).toStdString() +
                      "; mode: " + Text(analysis::Describe(form_.CheckedCodingMode()).Caption) +
                      "; peak: " + display::BinReadoutText(peak, analysis::BinValue(peak));
        for (const std::string& line : form_.PlotViews().ReadoutLines()) {
            description += "; " + line;
        }
    });
    return QString::fromStdString(description);
}

} // namespace app
