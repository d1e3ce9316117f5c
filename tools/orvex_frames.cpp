// orvex-frames: runs analyzer frames without a window and prints the result.

#include "frames_options.h"

#include <exception>
#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    tools::FramesOptions options;
    try {
        options = tools::ParseFramesOptions(arguments);
    } catch (const tools::UsageError& error) {
        std::cerr << "orvex-frames: " << error.what() << '\n';
        return 2;
    }
    if (options.ShowHelp) {
        std::cout << tools::FramesUsage();
        return 0;
    }
    tools::RunFrames(options, std::cout);
    std::cout.flush();
    return std::cout ? 0 : 1;
}
