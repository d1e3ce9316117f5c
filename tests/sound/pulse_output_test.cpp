// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/pulse_output.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
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
            std::promise<std::string> started;
            sound::TPulseOutput output(
                {"orvex-test", 16000, 960, 240}, [&](std::span<float>) { filled = true; },
                [&](const std::string& problem) { started.set_value(problem); },
                [](const std::string&) {}, 300ms);
            told = started.get_future().get();
        } catch (const sound::TSoundError& error) {
            told = error.what();
        }
        EXPECT_EQ(told.rfind(c.told, 0), 0u) << told;
        EXPECT_FALSE(filled);
    }

    // Starting and stopping never wait on the server, and nothing is told after the stop: with
    // a limit of an hour, a start or stop that waited would hold the test until ctest's
    // timeout ends it.
    setenv("PULSE_SERVER", ("unix:" + hung).c_str(), 1);
    bool told = false;
    sound::TPulseOutput({"orvex-test", 16000, 960, 240}, [](std::span<float>) {},
                        [&](const std::string&) { told = true; }, [](const std::string&) {}, 3600s);
    EXPECT_FALSE(told);
    close(listener);
    std::filesystem::remove_all(folder);
}

} // namespace
