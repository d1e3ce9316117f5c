// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QFontMetrics;

namespace app {

// The widest a file's name is shown in a window, in the font's average characters: a longer
// one is elided in the middle, so that no name widens a window past the screen.
inline constexpr int NameShownCharacters = 60;

// `name` whole if it fits NameShownCharacters of `metrics`' font, else elided in the middle
// (its start and its end, with the extension, kept).
QString ElidedName(const QString& name, const QFontMetrics& metrics);

} // namespace app
