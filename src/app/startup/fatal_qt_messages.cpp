// SPDX-License-Identifier: GPL-3.0-or-later
#include "fatal_qt_messages.h"

#include "app/common/program_info.h"
#include "platform_choice.h"
#include "startup.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include <QString>

namespace app {
namespace {

// The warnings after which Qt's Wayland client ends the process itself (with _exit), from
// whichever thread met the loss of its compositor.
constexpr const char* ProcessEndingWarnings[] = {
    "The Wayland connection broke",
    "The Wayland connection experienced a fatal error",
};

// The logging category of Qt's Wayland platform.
constexpr auto WaylandCategory = "qt.qpa.wayland";

QtMessageHandler Previous = nullptr;
std::atomic_flag Ending;

bool EndsTheProcess(QtMsgType type, const QString& text) {
    if (type == QtFatalMsg) {
        return true;
    }
    for (const char* warning : ProcessEndingWarnings) {
        if (text.startsWith(QLatin1String(warning))) {
            return true;
        }
    }
    return false;
}

} // namespace

TFatalQtMessages::TFatalQtMessages() {
    Previous = qInstallMessageHandler(&Handle);
}

TFatalQtMessages::~TFatalQtMessages() {
    qInstallMessageHandler(Previous);
}

void TFatalQtMessages::Handle(QtMsgType type, const QMessageLogContext& context,
                              const QString& text) {
    if (!EndsTheProcess(type, text)) {
        const bool lostCompositor = context.category != nullptr &&
                                    std::strcmp(context.category, WaylandCategory) == 0 &&
                                    WaylandCompositorHungUp();
        if (!lostCompositor && Previous != nullptr) {
            Previous(type, context, text);
        }
        return;
    }
    if (Ending.test_and_set()) {
        for (;;) {
            pause();
        }
    }
    // Only the first line: the rest of Qt's text is advice for a different kind of program.
    // Nothing here may allocate much or throw; the process ends below.
    const QString firstLine = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    const std::string line = std::string(ProgramName) + ": " + firstLine.toStdString() + '\n';
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line.data(), line.size());
    std::_Exit(StartFailedStatus);
}

} // namespace app
