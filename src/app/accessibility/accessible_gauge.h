// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/gauge_slider.h"
#include "display/level_readout.h"

#include <string>
#include <string_view>

#include <QAccessibleWidget>

namespace app {

class TSpectrumForm;

// How a gauge's position reads to assistive technology. Values are whole numbers in the
// quantity's unit, with the gauge's small step as the step: the level in dB relative to
// full scale (-160 to 0, step 1), the frequency in Hz (0 to 8000, step 1). The value text
// is the read-out label's text ("- 1 dB", "1000 Hz"). Not every bridge passes value texts
// on (Qt's AT-SPI bridge passes only the number), so the description names the unit.
struct TGaugeQuantity {
    std::string_view Name;
    std::string_view Description;
    const display::TGaugeRange& Range; // in gauge positions
    int ValueAtMin;                    // the value at position Range.Min, in the unit
    controls::TGaugeSlider& (TSpectrumForm::*Gauge)();
    std::string display::TLevelReadout::*Text;
};

extern const TGaugeQuantity LevelQuantity;
extern const TGaugeQuantity FrequencyQuantity;

// A gauge of the window as a slider. Setting its value through the value interface moves
// the gauge as a change by the user does: its change handler runs (read-outs, gain, and
// the tone of the next frame follow) through the window's handler guard. A value out of
// the range is clamped into it, one between whole units is rounded to the nearest (halves
// away from zero); a value that is no number at all (NaN, or text that reads as none) is
// ignored.
class TAccessibleGauge : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    // `widget` hosts the gauge of `quantity` in `form`; both must outlive the interface,
    // which Qt deletes with the widget.
    TAccessibleGauge(QWidget* widget, TSpectrumForm& form, const TGaugeQuantity& quantity);

    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    // QAccessibleValueInterface, all in the quantity's unit.
    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    controls::TGaugeSlider& Gauge() const;
    int ValueOf(int position) const;
    // The read-out of the current positions, as the window's labels show it.
    display::TLevelReadout Readout() const;

    TSpectrumForm& form_;
    const TGaugeQuantity& quantity_;
};

} // namespace app
