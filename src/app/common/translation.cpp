// SPDX-License-Identifier: GPL-3.0-or-later
#include "translation.h"

#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include <QCoreApplication>
#include <QTranslator>

namespace app {
namespace {

// The context of the window list's names in the translation (data/translations/orvex_en.ts).
constexpr auto WindowListContext = "WindowList";
// Where the build puts the compiled English translation among the program's resources.
constexpr auto EnglishTranslation = ":/translations/orvex_en.qm";

std::string_view Variable(const char* name) {
    const char* const value = std::getenv(name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

// A locale name's language: "ru" of "ru_RU.UTF-8@yo".
std::string_view LanguageOf(std::string_view locale) {
    return locale.substr(0, locale.find_first_of("_.@"));
}

} // namespace

TLanguage LanguageOfEnvironment() {
    std::string_view messages;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        messages = Variable(name);
        if (!messages.empty()) {
            break;
        }
    }
    const std::string_view language = LanguageOf(messages);
    return language.empty() || language == "C" || language == "POSIX" || language == "ru"
               ? TLanguage::lgSource
               : TLanguage::lgEnglish;
}

std::unique_ptr<QTranslator> InstallTranslation(TLanguage language) {
    if (language == TLanguage::lgSource) {
        return nullptr;
    }
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QString::fromLatin1(EnglishTranslation))) {
        throw std::runtime_error("The English translation is missing from the program");
    }
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

QString WindowCaption(analysis::WindowKind kind) {
    // The captions are literals of the window table, so their text ends with a null.
    return QCoreApplication::translate(WindowListContext, analysis::Describe(kind).Caption.data());
}

} // namespace app
