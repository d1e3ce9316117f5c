// SPDX-License-Identifier: GPL-3.0-or-later
// The real program on a virtual X display: start it, look at its window, click a slider.

#include "display/panel_artwork.h"
#include "raster/raster_surface.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <poll.h>
#include <ostream>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

#include <QImage>
#include <QPoint>
#include <QRect>
#include <gtest/gtest.h>

// Readable failures for the places of windows.
void PrintTo(const QPoint& point, std::ostream* out) {
    *out << "(" << point.x() << ", " << point.y() << ")";
}

namespace {

using namespace std::chrono_literals;

// Far longer than the program takes to end; no fault makes it end later.
constexpr auto ExitLimit = 20s;
// Long enough for a program that would refuse to start to have ended.
constexpr auto OffscreenRunTime = 3s;
// Far longer than the program takes to answer the display or to change its picture.
constexpr auto AnswerLimit = 20s;
// Far longer than the program takes to move its window in answer to a move.
constexpr auto NoAnswerTime = 1s;

// Given as a child's error path: its standard error is closed.
constexpr auto ClosedStream = "<closed>";

// A change to the environment a child starts with: a value to set, or none to unset.
struct TEnvironmentChange {
    std::string name;
    std::optional<std::string> value;
};

// A child process that is killed when the test is done with it.
class TChild {
public:
    // With `errorPath`, the child's standard error goes to that file; with ClosedStream it
    // starts with standard error closed.
    TChild(const std::vector<std::string>& argv,
           const std::vector<TEnvironmentChange>& environment = {},
           const std::string& errorPath = {}) {
        pid_ = fork();
        if (pid_ == 0) {
            for (const TEnvironmentChange& change : environment) {
                if (change.value) {
                    setenv(change.name.c_str(), change.value->c_str(), 1);
                } else {
                    unsetenv(change.name.c_str());
                }
            }
            if (errorPath == ClosedStream) {
                close(STDERR_FILENO);
            } else if (!errorPath.empty() &&
                       std::freopen(errorPath.c_str(), "w", stderr) == nullptr) {
                _exit(126);
            }
            std::vector<char*> args;
            for (const std::string& arg : argv) {
                args.push_back(const_cast<char*>(arg.c_str()));
            }
            args.push_back(nullptr);
            execvp(args[0], args.data());
            _exit(127);
        }
    }
    ~TChild() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    bool Running() { return !Reaped(); }

    // Sends SIGTERM and returns the wait status, or nothing if it still runs after `limit`.
    std::optional<int> Terminate(std::chrono::milliseconds limit) {
        if (!Reaped()) {
            kill(pid_, SIGTERM);
        }
        return WaitForExit(limit);
    }

    // The wait status once the child has ended, or nothing if it still runs after `limit`.
    std::optional<int> WaitForExit(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!Reaped() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(50ms);
        }
        return status_;
    }

private:
    bool Reaped() {
        int status = 0;
        if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = status;
            pid_ = -1;
        }
        return status_.has_value();
    }

    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Runs a shell command and returns its standard output.
std::string Capture(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 256> buffer;
        while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
            out += buffer.data();
        }
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) {
        out.pop_back();
    }
    return out;
}

// A virtual X display with one screen of the given size ("WIDTHxHEIGHTxDEPTH"), for as long
// as the object lives. By default it never resets, so that no client's coming and going
// (a check, xdotool) can make it refuse the next one. Xvfb takes the first free display number itself and writes it to a
// pipe once it accepts clients, so tests that start displays at once never share one.
class TVirtualDisplay {
public:
    explicit TVirtualDisplay(const std::string& screen = "1280x1024x24",
                             const std::vector<std::string>& serverOptions = {"-noreset"}) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) {
            return;
        }
        std::vector<std::string> command = {"Xvfb", "-displayfd", std::to_string(pipeEnds[1]),
                                            "-screen", "0", screen, "-nolisten", "tcp"};
        command.insert(command.end(), serverOptions.begin(), serverOptions.end());
        server_ = std::make_unique<TChild>(command);
        close(pipeEnds[1]);
        std::string number;
        pollfd ready{pipeEnds[0], POLLIN, 0};
        const auto deadline = std::chrono::steady_clock::now() + AnswerLimit;
        char c = 0;
        while (std::chrono::steady_clock::now() < deadline && poll(&ready, 1, 100) >= 0) {
            if ((ready.revents & (POLLIN | POLLHUP)) == 0) {
                continue;
            }
            if (read(pipeEnds[0], &c, 1) != 1 || c == '\n') {
                break;
            }
            number += c;
        }
        close(pipeEnds[0]);
        started_ = c == '\n' && !number.empty();
        name_ = ":" + number;
    }

    bool Started() const { return started_; }
    // The display name, such as ":170".
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    std::unique_ptr<TChild> server_;
    bool started_ = false;
};

// The id of the program's main window once it is shown on `display`, or an empty string.
std::string WaitForMainWindow(const std::string& display) {
    return Capture("DISPLAY=" + display +
                   " timeout 30 xdotool search --sync --onlyvisible --name 'Signal Analyzer'"
                   " | head -n 1");
}

// Runs an xdotool command line on `display`; true when it succeeded.
bool Xdotool(const std::string& display, const std::string& arguments) {
    const std::string command = "DISPLAY=" + display + " xdotool " + arguments;
    return std::system(command.c_str()) == 0;
}

// The test's own X client: reads what windows show the desktop and does to them what a
// window manager would (move them, ask them to close).
class TXConnection {
public:
    explicit TXConnection(const std::string& display)
        : connection_(xcb_connect(display.c_str(), nullptr)) {
        if (Connected()) {
            root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        }
    }
    ~TXConnection() { xcb_disconnect(connection_); }
    TXConnection(const TXConnection&) = delete;
    TXConnection& operator=(const TXConnection&) = delete;

    bool Connected() const { return xcb_connection_has_error(connection_) == 0; }
    xcb_window_t Root() const { return root_; }

    xcb_atom_t Atom(std::string_view name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection_,
            xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.data()),
            nullptr);
        const xcb_atom_t atom = reply == nullptr ? xcb_atom_t{XCB_ATOM_NONE} : reply->atom;
        std::free(reply);
        return atom;
    }

    // The raw bytes of a window property of any type, or nothing where it is not set.
    std::optional<std::string> Property(xcb_window_t window, std::string_view name) {
        constexpr std::uint32_t WholeProperty = 1u << 20; // in 32-bit units
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, 0, window, Atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0,
                             WholeProperty),
            nullptr);
        std::optional<std::string> value;
        if (reply != nullptr && reply->type != XCB_ATOM_NONE) {
            const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply));
            value.emplace(bytes, static_cast<std::size_t>(xcb_get_property_value_length(reply)));
        }
        std::free(reply);
        return value;
    }

    // A property of 32-bit cardinals, empty where it is not set.
    std::vector<std::uint32_t> Cardinals(xcb_window_t window, std::string_view name) {
        const std::string bytes = Property(window, name).value_or(std::string());
        std::vector<std::uint32_t> values(bytes.size() / sizeof(std::uint32_t));
        std::memcpy(values.data(), bytes.data(), values.size() * sizeof(std::uint32_t));
        return values;
    }

    void SetCardinals(xcb_window_t window, std::string_view name,
                      const std::vector<std::uint32_t>& values) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, Atom(name),
                            XCB_ATOM_CARDINAL, 32, static_cast<std::uint32_t>(values.size()),
                            values.data());
        xcb_flush(connection_);
    }

    // The top-left corner of `window` on the screen.
    QPoint Position(xcb_window_t window) {
        xcb_translate_coordinates_reply_t* reply = xcb_translate_coordinates_reply(
            connection_, xcb_translate_coordinates(connection_, window, root_, 0, 0), nullptr);
        const QPoint at = reply == nullptr ? QPoint(-1, -1) : QPoint(reply->dst_x, reply->dst_y);
        std::free(reply);
        return at;
    }

    // From now on, records every place the top-level `window` is moved to, by anyone.
    void WatchMoves(xcb_window_t window) {
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
        watched_ = window;
        moves_.clear();
    }

    // The places the watched window has been moved to so far, in order, each change once.
    const std::vector<QPoint>& Moves() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            if ((event->response_type & 0x7F) == XCB_CONFIGURE_NOTIFY) {
                const auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event);
                const QPoint at(configure->x, configure->y);
                if (configure->window == watched_ && (moves_.empty() || moves_.back() != at)) {
                    moves_.push_back(at);
                }
            }
            std::free(event);
        }
        return moves_;
    }

    // Waits until the watched window has been moved to exactly `places`, in order; false if
    // that has not happened within AnswerLimit.
    bool WaitForMoves(const std::vector<QPoint>& places) {
        const auto deadline = std::chrono::steady_clock::now() + AnswerLimit;
        while (Moves() != places) {
            if (std::chrono::steady_clock::now() > deadline || !Connected()) {
                return false;
            }
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    // Moves `window` as a window manager does when the user drags it.
    void Move(xcb_window_t window, QPoint to) {
        // The protocol's coordinates are 16-bit signed numbers sent in 32-bit slots.
        const std::uint32_t values[] = {static_cast<std::uint32_t>(to.x()),
                                        static_cast<std::uint32_t>(to.y())};
        xcb_configure_window(connection_, window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y,
                             values);
        xcb_flush(connection_);
    }

    // Asks `window` to close, as a window manager's close button does.
    void AskToClose(xcb_window_t window) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = Atom("WM_PROTOCOLS");
        message.data.data32[0] = Atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        // With no event mask the message goes to the client that created the window.
        xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection_);
    }

    // The viewable top-level windows, such as an open menu.
    std::vector<xcb_window_t> ViewableTopLevels() {
        std::vector<xcb_window_t> viewable;
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr);
        if (tree == nullptr) {
            return viewable;
        }
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
                connection_, xcb_get_window_attributes(connection_, children[i]), nullptr);
            if (attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE) {
                viewable.push_back(children[i]);
            }
            std::free(attributes);
        }
        std::free(tree);
        return viewable;
    }

private:
    xcb_connection_t* connection_;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_window_t watched_ = XCB_WINDOW_NONE;
    std::vector<QPoint> moves_;
};

QImage Screenshot(const std::string& display, const std::string& window) {
    const std::string path =
        std::filesystem::temp_directory_path() / ("orvex-e2e-" + std::to_string(getpid()) + ".png");
    const std::string command = "DISPLAY=" + display + " import -window " + window + " " + path;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    QImage image(QString::fromStdString(path));
    std::filesystem::remove(path);
    return image.convertToFormat(QImage::Format_RGB32);
}

// The value of `key` in the program's desktop entry, or an empty string.
std::string DesktopEntryValue(const std::string& key) {
    std::ifstream entry(ORVEX_DESKTOP_ENTRY);
    std::string line;
    while (std::getline(entry, line)) {
        if (line.rfind(key + "=", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return {};
}

unsigned Rgb(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFFu;
}

// The topmost row of the trace in the columns around the 1000 Hz peak (client coordinates).
int PeakRow(const QImage& image) {
    for (int y = 9; y < 250; ++y) {
        for (int x = 15 + 56; x <= 15 + 72; ++x) {
            if (Rgb(image, x, y) == 0x00C8A0u) {
                return y;
            }
        }
    }
    return 250;
}

// The bin of the marker in a client picture: the column of its white tip, the lowest pixel
// of its triangle, under three white pixels; -1 without one.
int MarkerBin(const QImage& image) {
    const auto white = [&](int x, int y) { return Rgb(image, x, y) == 0xFFFFFFu; };
    for (int y = 10; y < 250; ++y) {
        for (int x = 16; x < 15 + 511; ++x) {
            if (white(x, y) && !white(x - 1, y) && !white(x + 1, y) && white(x - 1, y - 1) &&
                white(x + 1, y - 1)) {
                return x - 15;
            }
        }
    }
    return -1;
}

// `screenshot` of a window drawn at `zoom` as its client pixels: the last screen pixel of
// each client pixel's square.
QImage ClientPixels(const QImage& screenshot, int zoom) {
    QImage client(screenshot.width() / zoom, screenshot.height() / zoom, QImage::Format_RGB32);
    for (int y = 0; y < client.height(); ++y) {
        for (int x = 0; x < client.width(); ++x) {
            client.setPixel(x, y, screenshot.pixel(zoom * x + zoom - 1, zoom * y + zoom - 1));
        }
    }
    return client;
}

// Screenshots of `window` until `drawn` holds of one, which is returned; after AnswerLimit
// (which only catches a hang) the last one, for the test to show what is wrong with it.
template <class TDrawn>
QImage ShotWhen(const std::string& display, const std::string& window, const TDrawn& drawn) {
    const auto deadline = std::chrono::steady_clock::now() + AnswerLimit;
    QImage shot = Screenshot(display, window);
    while (!drawn(shot) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
        shot = Screenshot(display, window);
    }
    return shot;
}

TEST(EndToEnd, RealWindowShowsTheSpectrumFollowsTheLevelSliderAndTheProgramEndsWithIt) {
    // At zoom 1, 2 and 3 with the clicks on the last screen pixel of a client pixel, and on a
    // desktop at 200 %, whose zoom the window takes without being told.
    struct TCase {
        const char* what;
        std::vector<std::string> arguments;
        int desktopDpi; // Xft.dpi in the X resources; 0 for none
        int zoom;
    };
    const TCase cases[] = {
        {"zoom 1", {}, 0, 1},
        {"--zoom 2", {"--zoom", "2"}, 0, 2},
        {"a desktop at 200 %", {}, 192, 2},
        {"--zoom 3", {"--zoom", "3"}, 0, 3},
    };
    QImage zoom2Shot;
    for (const auto& [what, arguments, desktopDpi, zoom] : cases) {
        SCOPED_TRACE(what);
        const TVirtualDisplay xvfb("1800x1300x24"); // room for the window at zoom 3
        ASSERT_TRUE(xvfb.Started()) << "Xvfb did not start";
        const std::string& display = xvfb.Name();
        if (desktopDpi != 0) {
            const std::string resources = "echo 'Xft.dpi: " + std::to_string(desktopDpi) +
                                          "' | DISPLAY=" + display + " xrdb -nocpp -merge";
            ASSERT_EQ(std::system(resources.c_str()), 0) << resources;
        }

        std::vector<std::string> command = {ORVEX_EXECUTABLE};
        command.insert(command.end(), arguments.begin(), arguments.end());
        TChild orvex(command, {{"DISPLAY", display}});
        const std::string window = WaitForMainWindow(display);
        ASSERT_FALSE(window.empty()) << "the window did not appear";
        ASSERT_TRUE(orvex.Running());

        // Once the 1000 Hz peak is drawn at full scale.
        const QImage firstShot = ShotWhen(display, window, [zoom](const QImage& shot) {
            return shot.size() == QSize(556, 404) * zoom && PeakRow(ClientPixels(shot, zoom)) == 9 + 4;
        });
        ASSERT_EQ(firstShot.size(), QSize(556, 404) * zoom);
        if (zoom == 2 && zoom2Shot.isNull()) {
            zoom2Shot = firstShot;
        } else if (zoom == 2) {
            EXPECT_TRUE(firstShot == zoom2Shot) << "differs from the picture at --zoom 2";
        }
        const QImage first = ClientPixels(firstShot, zoom);
        EXPECT_EQ(Rgb(first, 0, 0), 0x131618u);              // panel corner RGB(19, 22, 24)
        EXPECT_EQ(Rgb(first, 15, 250), 0xA8C5D0u);           // ruler tick at 0 Hz
        EXPECT_EQ(Rgb(first, 15 + 32, 9 + 100), 0x04283Cu);  // a vertical grid line
        EXPECT_EQ(Rgb(first, 15 + 200, 9 + 135), 0x502828u); // the -90 dB line
        EXPECT_EQ(PeakRow(first), 9 + 4);                    // the 1000 Hz peak at full scale
        EXPECT_EQ(Rgb(first, 15 + 64, 9 + 4), 0x00C8A0u);
        EXPECT_EQ(Rgb(first, 36 + 105, 317 + 8), 0xA6BDC5u); // level handle face, at the right end
        EXPECT_EQ(Rgb(first, 36 + 30, 361 + 8), 0xA6BDC5u);  // frequency handle face, near 1000 Hz
        EXPECT_EQ(Rgb(first, 36 + 50, 317 + 8), 0x222E33u);  // level track left of its handle

        // Ten clicks on the last column of the level slider's left arrow (x from 36 to 52):
        // -10 dB, about 15 pixels lower. One column further is the track, a step of 10 dB,
        // so the clicks go to the last screen pixel of the column's square.
        const std::string click =
            "DISPLAY=" + display + " xdotool mousemove --window " + window + " " +
            std::to_string(zoom * 53 - 1) + " " + std::to_string(zoom * 327 - 1) +
            " click --repeat 10 --delay 120 1";
        ASSERT_EQ(std::system(click.c_str()), 0);
        const QImage afterShot = ShotWhen(display, window, [&](const QImage& shot) {
            return shot.size() == QSize(556, 404) * zoom &&
                   std::abs(PeakRow(ClientPixels(shot, zoom)) - PeakRow(first) - 15) <= 1;
        });
        ASSERT_EQ(afterShot.size(), QSize(556, 404) * zoom);
        EXPECT_NEAR(PeakRow(ClientPixels(afterShot, zoom)) - PeakRow(first), 15, 1);

        // Markers on (M), and a click on the last screen pixel of bin 200's column: marker 1.
        ASSERT_TRUE(Xdotool(display, "windowfocus --sync " + window + " key m mousemove --window " +
                                         window + " " + std::to_string(zoom * 216 - 1) + " " +
                                         std::to_string(zoom * 60) + " click 1"));
        EXPECT_EQ(MarkerBin(ClientPixels(ShotWhen(display, window,
                                                  [zoom](const QImage& shot) {
                                                      return MarkerBin(ClientPixels(shot, zoom)) == 200;
                                                  }),
                                         zoom)),
                  200);
        EXPECT_TRUE(orvex.Running());

        // Destroyed from outside rather than asked to close, the window takes the program
        // along.
        const std::string destroy = "DISPLAY=" + display + " xdotool windowclose " + window;
        ASSERT_EQ(std::system(destroy.c_str()), 0);
        const std::optional<int> status = orvex.WaitForExit(ExitLimit);
        ASSERT_TRUE(status.has_value()) << "the program outlived its window";
        EXPECT_TRUE(WIFEXITED(*status)) << *status;
        EXPECT_EQ(WEXITSTATUS(*status), 0);
    }
}

TEST(EndToEnd, WindowOpensCentredSnapsShowsItsIconAndNameAndClosesWhenAskedWhateverIsHeldOrOpen) {
    // A 1000 x 700 screen with panels along its left (40 pixels) and top (30 pixels) edges,
    // which the work area leaves out. No window manager runs: the window's frame is its
    // client area, 556 x 404.
    const TVirtualDisplay xvfb("1000x700x24");
    ASSERT_TRUE(xvfb.Started()) << "Xvfb did not start";
    const std::string& screen = xvfb.Name();
    TXConnection x(screen);
    ASSERT_TRUE(x.Connected());
    x.SetCardinals(x.Root(), "_NET_WORKAREA", {40, 30, 960, 670});

    // What is going on in the window when it is asked to close.
    enum class TUnderway { Nothing, GaugeButtonHeld, WindowMenuOpen };
    const std::pair<TUnderway, const char*> situations[] = {
        {TUnderway::Nothing, "nothing underway"},
        {TUnderway::GaugeButtonHeld, "a gauge arrow held down"},
        {TUnderway::WindowMenuOpen, "the window menu open"},
    };
    for (const auto& [underway, what] : situations) {
        SCOPED_TRACE(what);
        TChild orvex({ORVEX_EXECUTABLE}, {{"DISPLAY", screen}});
        const std::string id = WaitForMainWindow(screen);
        ASSERT_FALSE(id.empty()) << "the window did not appear";
        const auto window = static_cast<xcb_window_t>(std::stoul(id));
        // Centred on the work area: 40 + (960 - 556) / 2, 30 + (670 - 404) / 2.
        EXPECT_EQ(x.Position(window), QPoint(242, 163));

        switch (underway) {
        case TUnderway::Nothing: {
            raster::TRasterSurface globe;
            display::DrawWindowIcon(globe);
            std::vector<std::uint32_t> icon = {16, 16};
            icon.insert(icon.end(), globe.Pixels().begin(), globe.Pixels().end());
            EXPECT_EQ(x.Cardinals(window, "_NET_WM_ICON"), icon);
            // Qt's X11 platform names the window's class after the application, whose name
            // also captions the error box; the instance is the executable's name.
            EXPECT_EQ(x.Property(window, "WM_CLASS"), std::string("orvex\0Orvex\0", 12));
            // Task bars take the icon name; the desktop entry finds the window by its class.
            EXPECT_EQ(x.Property(window, "_NET_WM_ICON_NAME"), "Orvex");
            EXPECT_EQ(DesktopEntryValue("StartupWMClass"), "Orvex");

            // Work area: x from 40 to 1000, y from 30 to 700.
            struct TMove {
                const char* what;
                QPoint to;
                QPoint snapped;
            };
            const TMove moves[] = {
                {"left edge 9 px inside", {49, 200}, {40, 200}},
                {"left edge 9 px over the panel", {31, 200}, {40, 200}},
                {"left edge 10 px inside", {50, 200}, {50, 200}},
                {"top edge 9 px below the panel", {300, 39}, {300, 30}},
                {"top edge 9 px over the panel", {300, 21}, {300, 30}},
                {"top edge 10 px below the panel", {300, 40}, {300, 40}},
                {"right and bottom edges 9 px inside", {435, 287}, {444, 296}},
                {"right and bottom edges 10 px inside", {434, 286}, {434, 286}},
            };
            x.WatchMoves(window);
            std::vector<QPoint> expected;
            for (const TMove& move : moves) {
                x.Move(window, move.to);
                expected.push_back(move.to);
                if (move.snapped != move.to) {
                    expected.push_back(move.snapped);
                }
                EXPECT_TRUE(x.WaitForMoves(expected)) << move.what;
                if (move.snapped == move.to) {
                    // The program answers a move at once or not at all. Another move cannot
                    // show that it has answered, since Qt folds queued moves into one.
                    std::this_thread::sleep_for(NoAnswerTime);
                }
            }
            EXPECT_EQ(x.Moves(), expected);
            break;
        }
        case TUnderway::GaugeButtonHeld: {
            // The level slider and its read-out: a held arrow repeats, so they change.
            const QRect levelArea(36, 294, 142, 41);
            const QImage before = Screenshot(screen, id).copy(levelArea);
            ASSERT_TRUE(Xdotool(screen, "mousemove --window " + id + " 44 326 mousedown 1"));
            const auto deadline = std::chrono::steady_clock::now() + AnswerLimit;
            bool repeating = false;
            while (!repeating && std::chrono::steady_clock::now() < deadline) {
                repeating = Screenshot(screen, id).copy(levelArea) != before;
            }
            ASSERT_TRUE(repeating) << "the held arrow did not repeat";
            break;
        }
        case TUnderway::WindowMenuOpen: {
            ASSERT_TRUE(Xdotool(screen, "mousemove --window " + id + " 200 100 click 3"));
            const auto deadline = std::chrono::steady_clock::now() + AnswerLimit;
            while (x.ViewableTopLevels().size() < 2 && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(20ms);
            }
            ASSERT_EQ(x.ViewableTopLevels().size(), 2u) << "the menu did not open";
            break;
        }
        }

        // Asked politely, as a window manager's close button asks.
        x.AskToClose(window);
        const std::optional<int> status = orvex.WaitForExit(ExitLimit);
        ASSERT_TRUE(status.has_value()) << "the program outlived its window";
        EXPECT_TRUE(WIFEXITED(*status)) << *status;
        EXPECT_EQ(WEXITSTATUS(*status), 0);
        if (underway == TUnderway::GaugeButtonHeld) {
            ASSERT_TRUE(Xdotool(screen, "mouseup 1"));
        }
    }
}

TEST(EndToEnd, WithoutADisplayTheProgramSaysSoInOneLineAndEndsWithStatusOne) {
    const std::string unreachable = ":9999";
    ASSERT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X9999"));
    const TVirtualDisplay xvfb;
    ASSERT_TRUE(xvfb.Started()) << "Xvfb did not start";
    const std::string noScreen = xvfb.Name() + ".5";
    const std::string runtime = std::filesystem::temp_directory_path();
    // Whatever the environment of the test run offers, no other windowing system.
    const std::vector<TEnvironmentChange> noOtherPlatform = {
        {"WAYLAND_DISPLAY", std::nullopt}, {"QT_QPA_PLATFORM", std::nullopt},
        {"XDG_SESSION_TYPE", std::nullopt}, {"DISPLAY", std::nullopt},
        {"XDG_RUNTIME_DIR", runtime},
    };
    const std::string advice = "; set DISPLAY, or run scripts/run to see it on a virtual display";
    const std::string noX11 = "xcb: cannot open the display (DISPLAY is not set)" + advice;
    const std::string noWaylandZero =
        "wayland: cannot open the Wayland display \"" + runtime +
        "/wayland-0\" (No such file or directory)";
    struct TCase {
        const char* what;
        std::vector<TEnvironmentChange> environment;
        std::vector<std::string> arguments;
        std::string line;
    };
    const TCase cases[] = {
        {"no display", {}, {}, "cannot open the display (DISPLAY is not set)" + advice},
        {"a display that cannot be opened",
         {{"DISPLAY", unreachable}},
         {},
         "cannot open the display \"" + unreachable + "\"" + advice},
        {"X11 chosen explicitly, with options",
         {{"DISPLAY", unreachable}, {"QT_QPA_PLATFORM", "xcb:opt=1"}},
         {},
         "cannot open the display \"" + unreachable + "\"" + advice},
        {"a screen the display does not have",
         {{"DISPLAY", noScreen}},
         {},
         "cannot open the display \"" + noScreen + "\"" + advice},
        {"a Wayland display without its socket",
         {{"WAYLAND_DISPLAY", "gone"}},
         {},
         "cannot start on any of the platforms \"wayland;xcb\": wayland: cannot open the "
         "Wayland display \"" + runtime + "/gone\" (No such file or directory); " + noX11},
        {"a Wayland session without a display",
         {{"XDG_SESSION_TYPE", "wayland"}},
         {},
         "cannot start on any of the platforms \"wayland;xcb\": " + noWaylandZero + "; " + noX11},
        {"a Wayland display without a runtime folder",
         {{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_RUNTIME_DIR", std::nullopt}},
         {},
         "cannot start on any of the platforms \"wayland;xcb\": wayland: cannot find the "
         "Wayland display \"wayland-0\" (XDG_RUNTIME_DIR is not set); " + noX11},
        {"Wayland chosen without a compositor",
         {{"QT_QPA_PLATFORM", "wayland"}},
         {},
         "cannot start on the platform \"wayland\": " + noWaylandZero.substr(9)},
        {"a platform Qt does not have",
         {},
         {"-platform", "nope"},
         "cannot start on the platform \"nope\": Qt has no platform plugin \"nope\""},
        {"a list of platforms, none of them there",
         {},
         {"-platform", "wayland;xcb"},
         "cannot start on any of the platforms \"wayland;xcb\": " + noWaylandZero + "; " + noX11},
        {"Qt's option with two dashes", {}, {"--platform", "nope"},
         "cannot start on the platform \"nope\": Qt has no platform plugin \"nope\""},
        {"the framebuffer without its device",
         {{"QT_QPA_PLATFORM", "linuxfb:fb=/nonexistent/fb9"}},
         {},
         "cannot start on the platform \"linuxfb:fb=/nonexistent/fb9\": cannot open the "
         "framebuffer \"/nonexistent/fb9\" (No such file or directory)"},
    };
    const std::string errorPath = std::filesystem::temp_directory_path() /
                                  ("orvex-e2e-stderr-" + std::to_string(getpid()) + ".txt");
    for (const TCase& c : cases) {
        std::vector<TEnvironmentChange> environment = noOtherPlatform; // changes apply in order
        environment.insert(environment.end(), c.environment.begin(), c.environment.end());
        std::vector<std::string> command = {ORVEX_EXECUTABLE};
        command.insert(command.end(), c.arguments.begin(), c.arguments.end());
        TChild orvex(command, environment, errorPath);
        const std::optional<int> status = orvex.WaitForExit(ExitLimit);
        ASSERT_TRUE(status.has_value()) << c.what;
        EXPECT_TRUE(WIFEXITED(*status)) << c.what << ": " << *status;
        EXPECT_EQ(WEXITSTATUS(*status), 1) << c.what;
        std::ifstream error(errorPath);
        const std::string written{std::istreambuf_iterator<char>(error), {}};
        EXPECT_EQ(written, "orvex: " + c.line + "\n") << c.what;
    }
    std::filesystem::remove(errorPath);

    // A platform chosen explicitly that needs no display still starts.
    std::vector<TEnvironmentChange> offscreen = noOtherPlatform;
    offscreen.push_back({"QT_QPA_PLATFORM", "offscreen"});
    TChild orvex({ORVEX_EXECUTABLE}, offscreen);
    EXPECT_FALSE(orvex.WaitForExit(OffscreenRunTime).has_value());
}

// Every fresh server: one that ends when its last client leaves, one that resets then (as
// every X server does by default), and the program's odd surroundings on such a server.
TEST(EndToEnd, StartsOnEveryFreshServerAndEndsWithStatusZeroOnSigterm) {
    const std::filesystem::path runtime =
        std::filesystem::temp_directory_path() / ("orvex-e2e-runtime-" + std::to_string(getpid()));
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    const std::string errorPath = runtime / "stderr.txt";
    struct TCase {
        const char* what;
        std::vector<std::string> serverOptions;
        std::vector<TEnvironmentChange> environment;
        std::string errorPath; // empty: the test's own standard error, not checked
        int starts;
    };
    const TCase cases[] = {
        {"a server that ends with its last client", {"-terminate"}, {}, {}, 1},
        {"fresh servers that reset when their last client leaves", {}, {}, {}, 20},
        // Without a runtime folder Qt warns; with standard error closed the warning would
        // go into the X connection.
        {"standard error closed", {"-noreset"}, {{"XDG_RUNTIME_DIR", std::nullopt}},
         ClosedStream, 1},
        {"a Wayland session announced beside a working X display",
         {"-noreset"},
         {{"XDG_SESSION_TYPE", "wayland"}, {"XDG_RUNTIME_DIR", runtime.string()}},
         errorPath,
         1},
    };
    for (const TCase& c : cases) {
        for (int start = 0; start < c.starts; ++start) {
            SCOPED_TRACE(std::string(c.what) + ", start " + std::to_string(start + 1));
            const TVirtualDisplay xvfb("1280x1024x24", c.serverOptions);
            ASSERT_TRUE(xvfb.Started()) << "Xvfb did not start";
            std::vector<TEnvironmentChange> environment = {{"DISPLAY", xvfb.Name()},
                                                           {"WAYLAND_DISPLAY", std::nullopt},
                                                           {"QT_QPA_PLATFORM", std::nullopt},
                                                           {"XDG_SESSION_TYPE", std::nullopt}};
            environment.insert(environment.end(), c.environment.begin(), c.environment.end());
            TChild orvex({ORVEX_EXECUTABLE}, environment, c.errorPath);
            EXPECT_FALSE(WaitForMainWindow(xvfb.Name()).empty()) << "the window did not appear";
            const std::optional<int> status = orvex.Terminate(ExitLimit);
            ASSERT_TRUE(status.has_value()) << "SIGTERM did not end the program";
            EXPECT_TRUE(WIFEXITED(*status)) << *status;
            EXPECT_EQ(WEXITSTATUS(*status), 0);
        }
        if (c.errorPath == errorPath) {
            std::ifstream error(errorPath);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(error), {}), "") << c.what;
        }
    }
    std::filesystem::remove_all(runtime);
}

} // namespace
