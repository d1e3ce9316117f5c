// The real program on a virtual X display: start it, look at its window, click a slider.

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <QImage>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Far longer than the program takes to end; no fault makes it end later.
constexpr auto ExitLimit = 20s;
// Long enough for a program that would refuse to start to have ended.
constexpr auto OffscreenRunTime = 3s;

// A change to the environment a child starts with: a value to set, or none to unset.
struct TEnvironmentChange {
    std::string name;
    std::optional<std::string> value;
};

// A child process that is killed when the test is done with it.
class TChild {
public:
    // With `errorPath`, the child's standard error goes to that file.
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
            if (!errorPath.empty() && std::freopen(errorPath.c_str(), "w", stderr) == nullptr) {
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

std::string FreeDisplay() {
    for (int number = 170; number < 250; ++number) {
        const std::string n = std::to_string(number);
        if (!std::filesystem::exists("/tmp/.X11-unix/X" + n) &&
            !std::filesystem::exists("/tmp/.X" + n + "-lock")) {
            return ":" + n;
        }
    }
    return {};
}

QImage Screenshot(const std::string& display, const std::string& window) {
    const std::string path =
        std::filesystem::temp_directory_path() / ("orvex-e2e-" + std::to_string(getpid()) + ".png");
    const std::string command = "DISPLAY=" + display + " import -window " + window + " " + path;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    QImage image(QString::fromStdString(path));
    std::filesystem::remove(path);
    return image.convertToFormat(QImage::Format_RGB32);
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

TEST(EndToEnd, RealWindowShowsTheSpectrumFollowsTheLevelSliderAndTheProgramEndsWithIt) {
    const std::string display = FreeDisplay();
    ASSERT_FALSE(display.empty());
    TChild xvfb({"Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    const std::string socket = "/tmp/.X11-unix/X" + display.substr(1);
    for (int i = 0; i < 200 && !std::filesystem::exists(socket); ++i) {
        std::this_thread::sleep_for(25ms);
    }
    ASSERT_TRUE(std::filesystem::exists(socket)) << "Xvfb did not start";

    TChild orvex({ORVEX_EXECUTABLE}, {{"DISPLAY", display}});
    const std::string window = Capture(
        "DISPLAY=" + display +
        " timeout 30 xdotool search --sync --onlyvisible --name 'Signal Analyzer' | head -n 1");
    ASSERT_FALSE(window.empty()) << "the window did not appear";
    std::this_thread::sleep_for(1500ms); // a good number of frames
    ASSERT_TRUE(orvex.Running());

    const QImage first = Screenshot(display, window);
    ASSERT_EQ(first.size(), QSize(556, 404));
    EXPECT_EQ(Rgb(first, 0, 0), 0x131618u);              // panel corner RGB(19, 22, 24)
    EXPECT_EQ(Rgb(first, 15, 250), 0xA8C5D0u);           // ruler tick at 0 Hz
    EXPECT_EQ(Rgb(first, 15 + 32, 9 + 100), 0x04283Cu);  // a vertical grid line
    EXPECT_EQ(Rgb(first, 15 + 200, 9 + 135), 0x502828u); // the -90 dB line
    EXPECT_EQ(PeakRow(first), 9 + 4);                    // the 1000 Hz peak at full scale
    EXPECT_EQ(Rgb(first, 15 + 64, 9 + 4), 0x00C8A0u);
    EXPECT_EQ(Rgb(first, 36 + 105, 317 + 8), 0xA6BDC5u); // level handle face, at the right end
    EXPECT_EQ(Rgb(first, 36 + 30, 361 + 8), 0xA6BDC5u);  // frequency handle face, near 1000 Hz
    EXPECT_EQ(Rgb(first, 36 + 50, 317 + 8), 0x222E33u);  // level track left of its handle

    // Ten clicks on the level slider's left arrow: -10 dB, about 15 pixels lower.
    const std::string click = "DISPLAY=" + display + " xdotool mousemove --window " + window +
                              " 44 326 click --repeat 10 --delay 120 1";
    ASSERT_EQ(std::system(click.c_str()), 0);
    std::this_thread::sleep_for(800ms);
    const QImage after = Screenshot(display, window);
    ASSERT_EQ(after.size(), QSize(556, 404));
    EXPECT_NEAR(PeakRow(after) - PeakRow(first), 15, 1);
    EXPECT_TRUE(orvex.Running());

    // Destroyed from outside rather than asked to close, the window takes the program along.
    const std::string destroy = "DISPLAY=" + display + " xdotool windowclose " + window;
    ASSERT_EQ(std::system(destroy.c_str()), 0);
    const std::optional<int> status = orvex.WaitForExit(ExitLimit);
    ASSERT_TRUE(status.has_value()) << "the program outlived its window";
    EXPECT_TRUE(WIFEXITED(*status)) << *status;
    EXPECT_EQ(WEXITSTATUS(*status), 0);
}

TEST(EndToEnd, WithoutADisplayTheProgramSaysSoInOneLineAndEndsWithStatusOne) {
    const std::string unreachable = ":9999";
    ASSERT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X9999"));
    // Whatever the environment of the test run offers, no other windowing system.
    const std::vector<TEnvironmentChange> noOtherPlatform = {
        {"WAYLAND_DISPLAY", std::nullopt},
        {"QT_QPA_PLATFORM", std::nullopt},
        {"XDG_SESSION_TYPE", std::nullopt},
    };
    struct TCase {
        const char* what;
        std::vector<TEnvironmentChange> environment;
        std::string display;
    };
    const TCase cases[] = {
        {"no display", {{"DISPLAY", std::nullopt}}, "(DISPLAY is not set)"},
        {"a display that cannot be opened", {{"DISPLAY", unreachable}}, "\"" + unreachable + "\""},
        {"X11 chosen explicitly",
         {{"DISPLAY", unreachable}, {"QT_QPA_PLATFORM", "xcb"}},
         "\"" + unreachable + "\""},
    };
    const std::string errorPath = std::filesystem::temp_directory_path() /
                                  ("orvex-e2e-stderr-" + std::to_string(getpid()) + ".txt");
    for (const TCase& c : cases) {
        std::vector<TEnvironmentChange> environment = noOtherPlatform;
        environment.insert(environment.end(), c.environment.begin(), c.environment.end());
        TChild orvex({ORVEX_EXECUTABLE}, environment, errorPath);
        const std::optional<int> status = orvex.WaitForExit(ExitLimit);
        ASSERT_TRUE(status.has_value()) << c.what;
        EXPECT_TRUE(WIFEXITED(*status)) << c.what << ": " << *status;
        EXPECT_EQ(WEXITSTATUS(*status), 1) << c.what;
        std::ifstream error(errorPath);
        const std::string written{std::istreambuf_iterator<char>(error), {}};
        EXPECT_EQ(written, "orvex: cannot open the display " + c.display +
                               "; set DISPLAY, or run scripts/run to see it on a virtual display\n")
            << c.what;
    }
    std::filesystem::remove(errorPath);

    // A platform chosen explicitly that needs no display still starts.
    std::vector<TEnvironmentChange> offscreen = noOtherPlatform; // changes apply in order
    offscreen.push_back({"QT_QPA_PLATFORM", "offscreen"});
    offscreen.push_back({"DISPLAY", std::nullopt});
    TChild orvex({ORVEX_EXECUTABLE}, offscreen);
    EXPECT_FALSE(orvex.WaitForExit(OffscreenRunTime).has_value());
}

} // namespace
