// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup.h"

#include "command_line.h"
#include "handler_guard.h"
#include "platform/qt/qt_platform.h"
#include "program_info.h"
#include "spectrum_form.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
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

constexpr auto NoDisplayAdvice = "; set DISPLAY, or run scripts/run to see it on a virtual display";

// Qt's name for its X11 platform, and the type name of the events it hands to native filters.
constexpr auto X11PlatformName = "xcb";
constexpr auto X11EventType = "xcb_generic_event_t";

// Platforms that show no window to anyone, so an error box would wait for ever.
constexpr const char* WindowlessPlatforms[] = {"offscreen", "minimal"};

void WriteFailureLine(std::string_view text) {
    std::cerr << ProgramName << ": " << text << '\n';
}

// The value of Qt's command-line option `name` ("-platform" or "-display"), which Qt also
// accepts with two dashes.
std::optional<std::string> OptionValue(int argc, char** argv, std::string_view name) {
    for (int i = 1; i + 1 < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument.starts_with("--")) {
            argument.remove_prefix(1);
        }
        if (argument == name) {
            return std::string(argv[i + 1]);
        }
    }
    return std::nullopt;
}

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// Whether Qt will start on X11 only: with no other platform chosen, and none to fall back
// on. Qt takes the first platform of a ';'-separated list that starts; each may carry
// options after a ':'.
bool UsesX11Only(int argc, char** argv) {
    std::string chosen = OptionValue(argc, argv, "-platform").value_or(std::string());
    if (chosen.empty()) {
        chosen = EnvironmentValue("QT_QPA_PLATFORM");
    }
    if (chosen.empty()) {
        // Qt prefers a Wayland compositor that announces itself to its X11 default.
        return EnvironmentValue("WAYLAND_DISPLAY").empty() &&
               EnvironmentValue("XDG_SESSION_TYPE") != "wayland";
    }
    std::string_view rest = chosen;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(';'), rest.size());
        const std::string_view candidate = rest.substr(0, end);
        if (candidate.substr(0, candidate.find(':')) != X11PlatformName) {
            return false;
        }
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return true;
}

bool CanOpenX11Display(const std::string& name) {
    xcb_connection_t* const connection = xcb_connect(name.c_str(), nullptr);
    const bool opened = xcb_connection_has_error(connection) == 0;
    // A connection that failed is still freed through xcb_disconnect.
    xcb_disconnect(connection);
    return opened;
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

} // namespace

std::string DisplayProblem(int argc, char** argv) {
    if (!UsesX11Only(argc, argv)) {
        return {};
    }
    const std::string display =
        OptionValue(argc, argv, "-display").value_or(EnvironmentValue("DISPLAY"));
    if (display.empty()) {
        return std::string("cannot open the display (DISPLAY is not set)") + NoDisplayAdvice;
    }
    if (!CanOpenX11Display(display)) {
        return "cannot open the display \"" + display + "\"" + NoDisplayAdvice;
    }
    return {};
}

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
        // Help, version and mistakes on the command line need no display.
        const TCommandLine commandLine = ParseCommandLine(argc, argv);
        switch (commandLine.Action) {
        case TCommandLineAction::caHelp:
        case TCommandLineAction::caVersion:
            std::cout << commandLine.Text << std::flush;
            return std::cout ? 0 : StartFailedStatus;
        case TCommandLineAction::caError:
            std::cerr << commandLine.Text;
            return UsageErrorStatus;
        case TCommandLineAction::caRun:
            break;
        }
        if (const std::string problem = DisplayProblem(argc, argv); !problem.empty()) {
            WriteFailureLine(problem);
            return StartFailedStatus;
        }
        platform::qt::SetDisplayZoom(commandLine.Zoom);
        QApplication application(argc, argv);
        QApplication::setApplicationName(QString::fromUtf8(ApplicationName));
        QGuiApplication::setDesktopFileName(QStringLiteral("org.orvex.Orvex"));

        // Created with the window, so that its failures are reported alike; it outlives the
        // window, which RunMainWindow destroys before it returns.
        std::unique_ptr<platform::qt::TQtPlatform> qtPlatform;
        return RunMainWindow(
            [&qtPlatform]() -> std::unique_ptr<QWidget> {
                qtPlatform = std::make_unique<platform::qt::TQtPlatform>();
                return std::make_unique<TSpectrumForm>(*qtPlatform);
            },
            ShowStartFailure);
    } catch (...) {
        // Before the application object exists, or after it is gone: no box can be shown.
        WriteFailureLine(CurrentFailureText());
        return StartFailedStatus;
    }
}

} // namespace app
