// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/pulse_output.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// What an output's `started` tells, on the output's thread, waited for here.
class TStartNews {
public:
    void Tell(const std::string& problem) {
        const std::lock_guard lock(mutex_);
        problem_ = problem;
        told_.notify_all();
    }
    std::optional<std::string> WaitFor(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        told_.wait_for(lock, limit, [this] { return problem_.has_value(); });
        return problem_;
    }

private:
    std::mutex mutex_;
    std::condition_variable told_;
    std::optional<std::string> problem_;
};

// A server that is gone and one that takes the connection but never answers (stopped, or
// hung) are both told in a phrase, the hung one once the limit has passed, and neither
// plays: the caller's thread is never held for longer than the limit, and not at all when it
// starts to play.
TEST(PulseOutput, AnAbsentOrHungServerIsToldAndNeverWaitedForPastTheLimit) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("orvex-sound-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string hung = (folder / "hung.sock").string();
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    hung.copy(address.sun_path, sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listener, 4), 0);

    const struct {
        std::string server;
        std::string told;
    } cases[] = {
        {(folder / "absent.sock").string(), "no sound server answers ("},
        {hung, "the sound server does not answer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server);
        setenv("PULSE_SERVER", ("unix:" + c.server).c_str(), 1);
        EXPECT_EQ(sound::OutputProblem("orvex-test", 300ms).rfind(c.told, 0), 0u)
            << sound::OutputProblem("orvex-test", 300ms);
        bool filled = false;
        std::string told;
        try {
            TStartNews news;
            sound::TPulseOutput output(
                {"orvex-test", 16000, 960, 240}, [&](std::span<float>) { filled = true; },
                [&](const std::string& problem) { news.Tell(problem); },
                [](const std::string&) {}, 300ms);
            told = news.WaitFor(10s).value_or("nothing told");
        } catch (const sound::TSoundError& error) {
            told = error.what();
        }
        EXPECT_EQ(told.rfind(c.told, 0), 0u) << told;
        EXPECT_FALSE(filled);
    }

    // The caller's side of a start never waits on the server: making the output returns at
    // once, and so does stopping it while the hung server is still being waited for, after
    // which nothing more is told.
    setenv("PULSE_SERVER", ("unix:" + hung).c_str(), 1);
    constexpr auto Limit = 20s;
    bool told = false;
    const auto began = Clock::now();
    {
        sound::TPulseOutput output({"orvex-test", 16000, 960, 240}, [](std::span<float>) {},
                                   [&](const std::string&) { told = true; },
                                   [](const std::string&) {}, Limit);
    }
    EXPECT_LT(Clock::now() - began, Limit / 4);
    EXPECT_FALSE(told);
    close(listener);
    std::filesystem::remove_all(folder);
}

} // namespace
