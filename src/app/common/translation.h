// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/windows/window_kind.h"

#include <cstdint>
#include <memory>

#include <QString>
#include <QTranslator>

namespace app {

// The language of the texts Qt's translation system carries (the window list's names). Their
// source texts are the program's original captions, which are Russian: a Russian or the C/POSIX locale
// shows them as they are, every other locale reads them in English.
enum class TLanguage : std::uint8_t { lgSource, lgEnglish };

// The language for the locale of messages the environment names, as POSIX orders it: LC_ALL,
// else LC_MESSAGES, else LANG (the first one set and not empty); C and POSIX count with any
// codeset, and none set counts as C.
TLanguage LanguageOfEnvironment();

// For lgEnglish, installs the English translation, built into the program, into the running
// QCoreApplication; it stays installed while the returned translator lives. Nothing for
// lgSource. Throws std::runtime_error if the translation cannot be loaded.
std::unique_ptr<QTranslator> InstallTranslation(TLanguage language);

// The name of `kind` in the window list, in the installed language.
QString WindowCaption(analysis::WindowKind kind);

} // namespace app
