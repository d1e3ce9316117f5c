// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/pulse_output.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// A server that is gone and one that takes the connection but never answers (stopped, or
// hung) are both told in a phrase, the hung one once the limit has passed, and neither
// plays: the caller's thread is never held for longer than the limit.
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
        try {
            sound::TPulseOutput output({"orvex-test", 16000, 960, 240},
                                       [&](std::span<float>) { filled = true; },
                                       [](const std::string&) {}, 300ms);
            ADD_FAILURE() << "played without a server";
        } catch (const sound::TSoundError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(c.told, 0), 0u) << error.what();
        }
        EXPECT_FALSE(filled);
    }
    close(listener);
    std::filesystem::remove_all(folder);
}

} // namespace
