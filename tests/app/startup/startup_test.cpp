// SPDX-License-Identifier: GPL-3.0-or-later
// Running the main window: a failure while it is built ends the start with a report, and the
// loop ends with status 0 however the window goes.

#include "app/startup/fatal_qt_messages.h"
#include "app/startup/startup.h"
#include "raster/pixel_allocator.h"
#include "raster/raster_surface.h"

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Ends a loop that nothing else ends, so that a fault fails the test instead of hanging it.
// Far longer than any route takes.
constexpr auto LoopLimit = 30s;
constexpr int StillRunningStatus = 99;

class TLoopLimit {
public:
    TLoopLimit() {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout,
                         [] { QCoreApplication::exit(StillRunningStatus); });
        timer_.start(LoopLimit);
    }

private:
    QTimer timer_;
};

class TNoPixelMemory : public raster::TPixelAllocator {
public:
    raster::TPixel32* Allocate(std::size_t) override { return nullptr; }
    void Release(raster::TPixel32*) noexcept override {}
};

void Unexpected(std::string_view text) {
    ADD_FAILURE() << "reported: " << text;
}

TEST(RunMainWindow, FailureWhileTheWindowIsBuiltIsReportedAndEndsTheStart) {
    struct TCase {
        const char* what;
        std::function<void()> fail;
        const char* report;
    };
    const TCase cases[] = {
        {"pixel memory refused",
         [] {
             TNoPixelMemory noMemory;
             raster::TRasterSurface artwork(noMemory);
             artwork.ResizeTo(554, 269);
         },
         "Can't allocate the DIB handle."},
        {"out of memory", [] { throw std::bad_alloc(); }, "std::bad_alloc."},
        {"not a standard exception", [] { throw 42; }, "Unknown error."},
    };
    for (const TCase& c : cases) {
        const TLoopLimit limit;
        std::vector<std::string> reports;
        const int status = app::RunMainWindow(
            [&c]() -> std::unique_ptr<QWidget> {
                auto window = std::make_unique<QWidget>();
                c.fail();
                return window;
            },
            [&reports](std::string_view text) { reports.emplace_back(text); });
        EXPECT_EQ(status, app::StartFailedStatus) << c.what;
        EXPECT_EQ(reports, std::vector<std::string>{c.report}) << c.what;
    }
}

// Hands the window's destruction notice to the native event filters, as Qt's X11 platform
// hands them what the server sends; `sent` marks a copy that another client sent.
void NotifyDestroyed(QWidget& window, bool sent) {
    constexpr std::uint8_t SentByAClient = 0x80;
    xcb_destroy_notify_event_t event{};
    event.response_type = XCB_DESTROY_NOTIFY | (sent ? SentByAClient : 0);
    event.event = static_cast<xcb_window_t>(window.winId());
    event.window = event.event;
    qintptr result = 0;
    QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &event, &result);
}

TEST(RunMainWindow, EndsWithStatusZeroWhenTheWindowIsGoneByAnyRoute) {
    struct TRoute {
        const char* what;
        std::function<void(QWidget&)> end;
        int status = 0;
    };
    const TRoute routes[] = {
        {"closed", [](QWidget& window) { window.close(); }},
        {"deleted", [](QWidget& window) { window.deleteLater(); }},
        {"destroyed by the X server", [](QWidget& window) { NotifyDestroyed(window, false); }},
        // Not the server's word: the loop runs on until it is ended from here.
        {"a destruction notice sent by another client",
         [](QWidget& window) {
             NotifyDestroyed(window, true);
             QTimer::singleShot(0, [] { QCoreApplication::exit(StillRunningStatus); });
         },
         StillRunningStatus},
    };
    for (const TRoute& route : routes) {
        const TLoopLimit limit;
        const int status = app::RunMainWindow(
            [&route]() -> std::unique_ptr<QWidget> {
                auto window = std::make_unique<QWidget>();
                QTimer::singleShot(0, window.get(),
                                   [&route, shown = window.get()] { route.end(*shown); });
                return window;
            },
            Unexpected);
        EXPECT_EQ(status, route.status) << route.what;
    }
}

// The compositor gone, Qt's Wayland client warns of it from two threads at once and then ends
// the process itself; before it notices, it may warn of what it cannot set up on the closed
// connection. Only the loss is said, in one line, with status 1.
TEST(FatalQtMessagesDeathTest, TheCompositorsLossIsSaidOnceAndNothingElseOnceItHungUp) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QTemporaryDir runtime;
    const auto loss = [&runtime] {
        setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
        setenv("WAYLAND_DISPLAY", "compositor", 1);
        sockaddr_un address{AF_UNIX, {}};
        runtime.filePath(QStringLiteral("compositor")).toStdString().copy(address.sun_path, 100);
        const auto* at = reinterpret_cast<const sockaddr*>(&address);
        const int compositor = socket(AF_UNIX, SOCK_STREAM, 0);
        bind(compositor, at, sizeof(address)), listen(compositor, 1);
        connect(socket(AF_UNIX, SOCK_STREAM, 0), at, sizeof(address));
        const int accepted = accept(compositor, nullptr, nullptr);
        const QLoggingCategory wayland("qt.qpa.wayland");
        const app::TFatalQtMessages messages;
        qCWarning(wayland, "while it answers");
        close(accepted);
        qCWarning(wayland, "Failed to initialize EGL display 3001");
        const auto broke = [] {
            qWarning("The Wayland connection broke. Did the Wayland compositor die?");
        };
        std::thread other(broke);
        broke();
        other.join();
        std::_Exit(0);
    };
    EXPECT_EXIT(loss(), testing::ExitedWithCode(app::StartFailedStatus),
                "qt\\.qpa\\.wayland: while it answers\n"
                "orvex: The Wayland connection broke\\. Did the Wayland compositor die\\?\n$");
}

} // namespace
