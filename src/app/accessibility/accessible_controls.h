// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

class QWidget;

namespace app {

class TSpectrumForm;

// What one of the window's own controls is to assistive technology. Qt describes its
// standard widgets itself; these hosts of our custom controls it would only know as
// empty panes.
enum class TAccessibleKind : std::uint8_t {
    akLevelGauge,      // a slider named "Level", valued in dB relative to full scale
    akFrequencyGauge,  // a slider named "Frequency", valued in Hz
    akSpectrumDisplay, // a graphic named "Spectrum" that describes the last frame
};

// Makes the custom controls of `form` known to assistive technology: the two gauges as
// sliders and the spectrum display as a graphic (see TAccessibleGauge and
// TAccessibleDisplay), and describes the two read-out labels. Call it once the form's
// controls exist; the interface factory is installed for the whole process on first use.
void MakeControlsAccessible(TSpectrumForm& form);

// Tells assistive technology that the gauge hosted by `widget` has a new value, whatever
// moved it. Does nothing while no assistive technology listens.
void AnnounceValueChange(QWidget& widget);

} // namespace app
