// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/window_kind.h"

#include <cstdint>
#include <memory>

#include <QString>
#include <QTranslator>

namespace app {

// The language of the texts Qt's translation system carries (the window list's names). Their
// source texts are the seed's own captions, which are Russian: a Russian or the C/POSIX locale
// shows them as they are, every other locale reads them in English.
enum class TLanguage : std::uint8_t { lgSource, lgEnglish };

// The language for the messages locale of the environment, as gettext reads it: LC_ALL, else
// LC_MESSAGES, else LANG (the first one set and not empty); unless that is C or POSIX (with
// any codeset), the first language of LANGUAGE comes before it.
TLanguage LanguageOfEnvironment();

// For lgEnglish, installs the English translation, built into the program, into the running
// QCoreApplication; it stays installed while the returned translator lives. Nothing for
// lgSource. Throws std::runtime_error if the translation cannot be loaded.
std::unique_ptr<QTranslator> InstallTranslation(TLanguage language);

// The name of `kind` in the window list, in the installed language.
QString WindowCaption(analysis::WindowKind kind);

} // namespace app
