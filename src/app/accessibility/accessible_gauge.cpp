// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessible_gauge.h"

#include "analysis/frames/tone_range.h"
#include "app/main_window/spectrum_form.h"

#include <algorithm>
#include <cmath>

namespace app {

const TGaugeQuantity LevelQuantity{"Level",
                                   "Tone level in dB relative to full scale",
                                   display::LevelGaugeRange,
                                   analysis::MinLevelDb,
                                   &TSpectrumForm::GaugeLevel,
                                   &display::TLevelReadout::LevelText};
const TGaugeQuantity FrequencyQuantity{"Frequency",
                                       "Tone frequency in Hz",
                                       display::FrequencyGaugeRange,
                                       analysis::MinFrequencyHz,
                                       &TSpectrumForm::GaugeF,
                                       &display::TLevelReadout::FrequencyText};

namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TAccessibleGauge::TAccessibleGauge(QWidget* widget, TSpectrumForm& form,
                                   const TGaugeQuantity& quantity)
    : QAccessibleWidget(widget, QAccessible::Slider), form_(form), quantity_(quantity) {}

controls::TGaugeSlider& TAccessibleGauge::Gauge() const {
    return (form_.*quantity_.Gauge)();
}

int TAccessibleGauge::ValueOf(int position) const {
    return position - quantity_.Range.Min + quantity_.ValueAtMin;
}

display::TLevelReadout TAccessibleGauge::Readout() const {
    return display::ReadLevelControls(form_.GaugeLevel().Position(), form_.GaugeF().Position());
}

QString TAccessibleGauge::text(QAccessible::Text t) const {
    switch (t) {
    case QAccessible::Name:
        if (!widget()->accessibleName().isEmpty()) {
            return widget()->accessibleName();
        }
        return FromView(quantity_.Name);
    case QAccessible::Description:
        if (!widget()->accessibleDescription().isEmpty()) {
            return widget()->accessibleDescription();
        }
        return FromView(quantity_.Description);
    case QAccessible::Value:
        return QString::fromStdString(Readout().*quantity_.Text);
    default:
        return QAccessibleWidget::text(t);
    }
}

void* TAccessibleGauge::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(t);
}

QVariant TAccessibleGauge::currentValue() const {
    return ValueOf(Gauge().Position());
}

void TAccessibleGauge::setCurrentValue(const QVariant& value) {
    bool isNumber = false;
    const double requested = value.toDouble(&isNumber);
    if (!isNumber || std::isnan(requested)) {
        return;
    }
    controls::TGaugeSlider& gauge = Gauge();
    // Clamped before rounding, so that no value is too large for an int.
    const double clamped = std::clamp(requested, static_cast<double>(ValueOf(gauge.Min())),
                                      static_cast<double>(ValueOf(gauge.Max())));
    const int position =
        static_cast<int>(std::lround(clamped)) - quantity_.ValueAtMin + quantity_.Range.Min;
    // Qt calls in from its own event handling, which no exception may reach.
    form_.Guarded([&gauge, position] { gauge.SetPosition(position); });
}

QVariant TAccessibleGauge::maximumValue() const {
    return ValueOf(Gauge().Max());
}

QVariant TAccessibleGauge::minimumValue() const {
    return ValueOf(Gauge().Min());
}

QVariant TAccessibleGauge::minimumStepSize() const {
    return Gauge().SmallChange();
}

} // namespace app
