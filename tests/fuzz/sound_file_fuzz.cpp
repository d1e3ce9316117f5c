// SPDX-License-Identifier: GPL-3.0-or-later
// A sound file: the input is the file's bytes, written to a file of the target's own, then
// opened, read to the end, moved within and read again. Whatever the bytes, the file either
// opens or is refused with a phrase; once open, it hands out at most its said length, every
// sample taken as a source lies within full scale, and seeking lands where it was asked.

#include "fuzz_support.h"

#include "sound/sound_file.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

using fuzz::Require;

// The longest a file is read, in samples at 16000 Hz: a minute.
constexpr std::int64_t MostSamples = 16000 * 60;

const std::string& FilePath() {
    static const std::string path = "/tmp/orvex-sound-fuzz-" + std::to_string(getpid()) + ".snd";
    return path;
}

void WriteFile(const std::uint8_t* data, std::size_t size) {
    FILE* file = std::fopen(FilePath().c_str(), "wb");
    Require(file != nullptr, "the target's file can be written");
    Require(std::fwrite(data, 1, size, file) == size, "the target's file takes the bytes");
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WriteFile(data, size);
    try {
        sound::TSoundFile file(FilePath());
        const sound::TSoundFileInfo& info = file.Info();
        Require(info.Channels > 0 && info.SampleRateHz > 0 && info.Samples > 0,
                "an open file has channels, a rate and a length");
        std::array<long double, 1024> units{};
        std::int64_t taken = 0;
        while (taken < std::min(info.Samples, MostSamples)) {
            file.Take(units);
            for (const long double unit : units) {
                Require(unit >= -1.0L && unit <= 1.0L, "a source's samples lie within full scale");
            }
            taken += static_cast<std::int64_t>(units.size());
            Require(file.Position() <= info.Samples, "no more than the said length is handed out");
        }
        const std::int64_t middle = std::min(info.Samples, MostSamples) / 2;
        file.Seek(middle);
        Require(file.Position() == middle, "a seek lands where it was asked");
        std::array<float, 512> samples{};
        Require(file.Read(samples) <= samples.size(), "a read gives at most what was asked");
    } catch (const sound::TSoundFileError& error) {
        Require(error.what()[0] != '\0', "a refused file says why");
    }
    return 0;
}
