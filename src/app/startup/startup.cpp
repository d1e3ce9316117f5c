// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup.h"

#include "command_line.h"
#include "fatal_qt_messages.h"
#include "app/common/handler_guard.h"
#include "platform/qt/qt_platform.h"
#include "platform/standard_streams.h"
#include "platform_choice.h"
#include "app/common/program_info.h"
#include "app/common/translation.h"
#include "app/listening/listening_menu.h"
#include "app/sources/source_menu.h"
#include "app/main_window/spectrum_form.h"
#include "termination_signals.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <unistd.h>
#include <vector>

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QByteArray>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

// The X client library that Qt's own X11 platform uses: it tells whether a display can be
// opened, and describes the server's events.
#include <xcb/xcb.h>

namespace app {
namespace {

// The type name of the events Qt's X11 platform hands to native filters.
constexpr auto X11EventType = "xcb_generic_event_t";

// Platforms that show no window to anyone, so an error box would wait for ever.
constexpr const char* WindowlessPlatforms[] = {"offscreen", "minimal"};

void WriteFailureLine(std::string_view text) {
    std::cerr << ProgramName << ": " << text << '\n';
}

// Ends the event loop when the X server destroys the main window. Qt takes that for no
// more than a window that stopped answering, so the program would go on without it.
class TX11DestroyWatch : public QAbstractNativeEventFilter {
public:
    explicit TX11DestroyWatch(const QWidget& window) : window_(window.winId()) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~TX11DestroyWatch() override { QCoreApplication::instance()->removeNativeEventFilter(this); }
    TX11DestroyWatch(const TX11DestroyWatch&) = delete;
    TX11DestroyWatch& operator=(const TX11DestroyWatch&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != X11EventType) {
            return false;
        }
        const auto* const event = static_cast<const xcb_generic_event_t*>(message);
        // Only the server's own notice counts: a copy that another client sends has the top
        // bit of its code set.
        if (event->response_type != XCB_DESTROY_NOTIFY) {
            return false;
        }
        const auto* const destroy = static_cast<const xcb_destroy_notify_event_t*>(message);
        if (destroy->window == window_) {
            QCoreApplication::exit(0);
        }
        return false;
    }

private:
    WId window_;
};

bool CanShowWindows() {
    const QString platform = QGuiApplication::platformName();
    for (const char* windowless : WindowlessPlatforms) {
        if (platform == QLatin1String(windowless)) {
            return false;
        }
    }
    return true;
}

void ShowStartFailure(std::string_view text) {
    if (!CanShowWindows()) {
        WriteFailureLine(text);
        return;
    }
    platform::qt::TQtPlatform::MakeErrorBox(text)->exec();
}

// The error box text of the exception being handled.
std::string CurrentFailureText() {
    try {
        throw;
    } catch (const std::exception& error) {
        return ErrorBoxText(error.what());
    } catch (...) {
        return ErrorBoxText("Unknown error");
    }
}

// Writes the help or version text to standard output; a failure is said in one line.
int WriteAnswer(const TCommandLine& commandLine, bool outputClosed) {
    const std::string what =
        commandLine.Action == TCommandLineAction::caHelp ? "the help text" : "the version";
    if (outputClosed) {
        WriteFailureLine("cannot write " + what + ": standard output is closed");
        return StartFailedStatus;
    }
    std::string_view rest = commandLine.Text;
    while (!rest.empty()) {
        const ssize_t written = write(STDOUT_FILENO, rest.data(), rest.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            WriteFailureLine("cannot write " + what + ": " + std::strerror(errno));
            return StartFailedStatus;
        }
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

} // namespace

int RunMainWindow(const TMainWindowFactory& createWindow,
                  const TStartFailureReport& reportFailure) {
    std::unique_ptr<QWidget> created;
    try {
        created = createWindow();
        created->show();
    } catch (...) {
        const std::string text = CurrentFailureText();
        created.reset();
        reportFailure(text);
        return StartFailedStatus;
    }
    // Whoever deletes the window while the loop runs also ends the loop.
    const QPointer<QWidget> window = created.release();
    const QMetaObject::Connection deleted =
        QObject::connect(window, &QObject::destroyed, [] { QCoreApplication::exit(0); });
    int status = 0;
    {
        const TX11DestroyWatch destroyWatch(*window);
        status = QApplication::exec();
    }
    QObject::disconnect(deleted);
    delete window.data();
    return status;
}

int RunOrvex(int argc, char** argv) {
    try {
        // Before anything opens a file or a connection that could take their place.
        const platform::TStandardStreamsClosed closed = platform::ReopenClosedStandardStreams();

        // Help, version and mistakes on the command line need no display.
        const TCommandLine commandLine = ParseCommandLine(argc, argv);
        switch (commandLine.Action) {
        case TCommandLineAction::caHelp:
        case TCommandLineAction::caVersion:
            return WriteAnswer(commandLine, closed[STDOUT_FILENO]);
        case TCommandLineAction::caError:
            std::cerr << commandLine.Text;
            return UsageErrorStatus;
        case TCommandLineAction::caRun:
            break;
        }
        TPlatformChoice platformChoice(argc, argv);
        if (!platformChoice.Problem().empty()) {
            WriteFailureLine(platformChoice.Problem());
            return StartFailedStatus;
        }
        platformChoice.Apply();
        if (commandLine.Zoom) {
            platform::qt::SetDisplayZoom(*commandLine.Zoom);
        } else if (const std::string capped = platform::qt::FollowDesktopZoom(); !capped.empty()) {
            WriteFailureLine("the desktop's scale factor (" + capped + ") is more than " +
                             std::to_string(MaxZoom) + "; the window is drawn at " +
                             std::to_string(MaxZoom) + " times its size");
        }
        std::vector<char*> arguments = TPlatformChoice::ArgumentsWithoutPlatform(argc, argv);
        int argumentCount = static_cast<int>(arguments.size()) - 1;
        // Qt's own warnings, too, say whose they are.
        qSetMessagePattern(QString::fromUtf8(ProgramName) +
                           QStringLiteral(": %{if-category}%{category}: %{endif}%{message}"));
        const TFatalQtMessages fatalQtMessages;
        QApplication application(argumentCount, arguments.data());
        // Qt is connected now; the check's connection may go.
        platformChoice.Release();
        // Settings (the recent files) go to ~/.config/Orvex/Orvex.conf.
        QApplication::setOrganizationName(QString::fromUtf8(ApplicationName));
        QApplication::setApplicationName(QString::fromUtf8(ApplicationName));
        QGuiApplication::setDesktopFileName(QStringLiteral("org.orvex.Orvex"));
        const std::unique_ptr<QTranslator> translation =
            InstallTranslation(LanguageOfEnvironment());

        // Created with the window, so that its failures are reported alike; it outlives the
        // window, which RunMainWindow destroys before it returns.
        std::unique_ptr<platform::qt::TQtPlatform> qtPlatform;
        const TTerminationSignals terminationSignals;
        return RunMainWindow(
            [&qtPlatform, &commandLine]() -> std::unique_ptr<QWidget> {
                qtPlatform = std::make_unique<platform::qt::TQtPlatform>();
                auto form = std::make_unique<TSpectrumForm>(*qtPlatform);
                if (commandLine.Listen) {
                    // Without a sound output this stays off, and the menu says why.
                    form->ListeningMenu().SetListening(true);
                }
                if (commandLine.LiveDevice) {
                    // A start the server refuses brings the tone back, and the menu says why.
                    form->SourceMenu().ChooseLive(*commandLine.LiveDevice);
                }
                if (!commandLine.InputPath.empty()) {
                    // Once the window is up, so that a file it cannot read is said in a box
                    // over it, and the tone plays on.
                    TSpectrumForm* const shown = form.get();
                    QMetaObject::invokeMethod(
                        shown,
                        [shown, path = std::filesystem::path(commandLine.InputPath)] {
                            shown->Guarded([shown, &path] { shown->SourceMenu().OpenFile(path); });
                        },
                        Qt::QueuedConnection);
                }
                return form;
            },
            ShowStartFailure);
    } catch (...) {
        // Before the application object exists, or after it is gone: no box can be shown.
        WriteFailureLine(CurrentFailureText());
        return StartFailedStatus;
    }
}

} // namespace app
