// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/file_playback.h"
#include "sound/sound_file.h"
#include "sound/source_player.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The material is made at test time by sox, into a folder of the test's own.
class SoundFileTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("orvex-sound-file-" + std::to_string(getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // sox's output options, the file, then its effects: "-r 16000 -b 16", "synth 1 sine 440".
    std::string Made(const std::string& name, const std::string& options, const std::string& effects) {
        const std::string path = (folder_ / name).string();
        const std::string command =
            std::string(ORVEX_SOX) + " -n -D " + options + " '" + path + "' " + effects;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path;
    }

    // A 16000 Hz float WAV of `samples`, as libsndfile writes it.
    std::string Written(const std::string& name, const std::vector<float>& samples) {
        const std::string path = (folder_ / name).string();
        SF_INFO info{0, 16000, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
        SNDFILE* written = sf_open(path.c_str(), SFM_WRITE, &info);
        EXPECT_NE(written, nullptr);
        EXPECT_EQ(sf_writef_float(written, samples.data(), static_cast<sf_count_t>(samples.size())),
                  static_cast<sf_count_t>(samples.size()));
        sf_close(written);
        return path;
    }

    // A mono 16-bit FLAC of 0.1 s at 16000 Hz whose header then says `rateHz` and `frames`:
    // bytes 18 to 25 hold the rate (20 bits), channels and bits (8) and the count (36).
    std::string FlacSaying(const std::string& name, std::uint64_t rateHz, std::uint64_t frames) {
        const std::string path = Made(name, "-r 16000 -b 16", "synth 0.1 sine 440");
        FILE* stream = std::fopen(path.c_str(), "r+b");
        std::array<unsigned char, 8> fields{};
        EXPECT_EQ(std::fseek(stream, 18, SEEK_SET), 0);
        EXPECT_EQ(std::fread(fields.data(), 1, fields.size(), stream), fields.size());
        const std::uint64_t said = rateHz << 44 | (std::uint64_t{fields[2]} & 0x0f) << 40 |
                                   (std::uint64_t{fields[3]} & 0xf0) << 32 | frames;
        for (std::size_t k = 0; k < fields.size(); ++k) {
            fields[k] = static_cast<unsigned char>(said >> (56 - 8 * k));
        }
        std::fseek(stream, 18, SEEK_SET);
        EXPECT_EQ(std::fwrite(fields.data(), 1, fields.size(), stream), fields.size());
        std::fclose(stream);
        return path;
    }

    fs::path folder_;
};

std::vector<float> ReadAll(sound::TSoundFile& file) {
    std::vector<float> samples(static_cast<std::size_t>(file.Info().Samples) + 100);
    samples.resize(file.Read(samples));
    return samples;
}

// The peak of a steady sine from the power of its middle half: sqrt(2) x RMS.
double SineAmplitude(const std::vector<float>& samples) {
    double power = 0.0;
    const std::size_t begin = samples.size() / 4;
    const std::size_t end = 3 * samples.size() / 4;
    for (std::size_t k = begin; k < end; ++k) {
        power += static_cast<double>(samples[k]) * samples[k];
    }
    return std::sqrt(2.0 * power / static_cast<double>(end - begin));
}

// Every format a user brings is read at 16000 Hz, one channel, at its own level: resampled
// by libsoxr within 0.1 dB for lossless material (lossy coders within 0.5 dB), channels mixed
// to their mean, and the length at 16000 Hz said before reading.
TEST_F(SoundFileTest, ReadsEveryFormatAtSixteenKilohertzMonoAtItsOwnLevel) {
    const struct {
        const char* name;
        const char* options;
        const char* effects;
        int rate;
        int channels;
        double amplitude;
        double toleranceDb;
    } cases[] = {
        {"tone44.wav", "-r 44100 -b 16", "synth 2 sine 1000 vol 0.5", 44100, 1, 0.5, 0.1},
        {"tone48.wav", "-r 48000 -b 24", "synth 2 sine 1000 vol 0.5", 48000, 1, 0.5, 0.1},
        // Left 0.6 and right 0.2 of the same sine: their mean is 0.4.
        {"stereo.flac", "-r 48000 -b 16 -c 2", "synth 2 sine 1000 remix 1v0.6 1v0.2", 48000, 2, 0.4, 0.1},
        {"eight.wav", "-r 16000 -b 16 -c 8", "synth 2 sine 1000 vol 0.5", 16000, 8, 0.5, 0.1},
        {"fast.wav", "-r 384000 -b 16", "synth 2 sine 1000 vol 0.5", 384000, 1, 0.5, 0.1},
        {"tone.ogg", "-r 44100", "synth 2 sine 1000 vol 0.5", 44100, 1, 0.5, 0.5},
        {"tone.mp3", "-r 44100", "synth 2 sine 1000 vol 0.5", 44100, 1, 0.5, 0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sound::TSoundFile file(Made(c.name, c.options, c.effects));
        EXPECT_EQ(file.Info().SampleRateHz, c.rate);
        EXPECT_EQ(file.Info().Channels, c.channels);
        const std::vector<float> samples = ReadAll(file);
        // A lossy coder's length is libsndfile's estimate; the rest are exact.
        EXPECT_NEAR(static_cast<double>(samples.size()), 32000.0,
                    c.toleranceDb > 0.1 ? 1200.0 : 0.0);
        EXPECT_EQ(file.Position(), static_cast<std::int64_t>(samples.size()));
        EXPECT_NEAR(20.0 * std::log10(SineAmplitude(samples) / c.amplitude), 0.0, c.toleranceDb);
    }
}

// At 16000 Hz nothing is resampled: every sample is the file's own float, from the start and
// after a seek; as a source, louder samples than full scale are clipped to it, a sample that
// is not a number is silence, and so is what comes after the end.
TEST_F(SoundFileTest, ASixteenKilohertzFileIsItsOwnSamplesAndSeeksExactly) {
    std::vector<float> own(16000);
    for (std::size_t k = 0; k < own.size(); ++k) {
        own[k] = static_cast<float>(1.5 * std::sin(0.173 * static_cast<double>(k)));
    }
    own[15995] = std::nanf("");
    const std::string path = Written("float.wav", own);

    sound::TSoundFile file(path);
    const std::vector<float> read = ReadAll(file);
    ASSERT_EQ(read.size(), own.size());
    EXPECT_EQ(std::memcmp(read.data(), own.data(), own.size() * sizeof(float)), 0);
    file.Seek(12345);
    std::vector<float> tail(100);
    ASSERT_EQ(file.Read(tail), 100u);
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), own.begin() + 12345));

    file.Seek(15990);
    std::vector<long double> units(20);
    file.Take(units);
    for (std::size_t k = 0; k < units.size(); ++k) {
        const long double expected = k < 10 && k != 5 ? std::clamp<long double>(own[15990 + k], -1.0L, 1.0L)
                                                       : 0.0L;
        EXPECT_EQ(units[k], expected) << k;
    }
    file.Seek(-5);
    EXPECT_EQ(file.Position(), 0);

    // A FLAC streamed without knowing its length says 0 frames: it is counted, not endless.
    const std::string flac = FlacSaying("unsaid.flac", 16000, 0);
    // A file that shrinks while open ends where it now ends, without a word.
    sound::TSoundFile shrinking(path);
    fs::resize_file(path, fs::file_size(path) - 4 * 6000);
    EXPECT_EQ(ReadAll(shrinking).size(), 10000u);

    sound::TSoundFile unsaid(flac);
    EXPECT_EQ(unsaid.Info().Samples, 1600);
    EXPECT_EQ(ReadAll(unsaid).size(), 1600u);
}

// What cannot be read says why in a phrase, and nothing is opened.
TEST_F(SoundFileTest, WhatCannotBeReadSaysWhy) {
    const std::string empty = (folder_ / "empty.wav").string();
    std::fclose(std::fopen(empty.c_str(), "w"));
    const std::string text = (folder_ / "text.wav").string();
    FILE* file = std::fopen(text.c_str(), "w");
    std::fputs("not a sound at all, just some words in a file\n", file);
    std::fclose(file);
    const std::string fifo = (folder_ / "fifo.wav").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string silent = Made("nothing.wav", "-r 16000 -b 16", "trim 0 0");
    const std::string locked = Made("locked.wav", "-r 16000 -b 16", "synth 0.1 sine 440");
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);

    const struct {
        std::string path;
        const char* told;
    } cases[] = {
        {(folder_ / "missing.wav").string(), "no such file"},
        {folder_.string(), "it is a folder, not a sound file"},
        {empty, "the file is empty"},
        {text, "not a sound file Orvex can read (libsndfile: "},
        {fifo, "not a regular file"},
        {silent, "the file holds no sound"},
        // 2^36 - 1 frames at 1 Hz: over 2^48 samples at 16 kHz.
        {FlacSaying("lying.flac", 1, (std::uint64_t{1} << 36) - 1), "its header claims a length no recording has"},
        {locked, "permission to read it is denied"},
    };
    // Root reads any file: the cases are opened as nobody (whose uid this is) instead.
    constexpr uid_t Nobody = 65534;
    const bool root = geteuid() == 0;
    ASSERT_TRUE(!root || seteuid(Nobody) == 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            sound::TSoundFile opened(c.path);
            ADD_FAILURE() << "opened";
        } catch (const sound::TSoundFileError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(c.told, 0), 0u) << error.what();
        }
    }
    ASSERT_TRUE(!root || seteuid(0) == 0);
}

} // namespace

namespace {

// A file being played hands out its own samples in order whatever the pieces taken, from a
// seek on, round a loop region without a seam, and silence after its end, with the play
// position following; the decoder never falls behind.
TEST_F(SoundFileTest, PlaybackTakesTheFileInOrderSeeksLoopsAndEnds) {
    // Every sample a value of its own, so that a sample out of place shows.
    std::vector<float> own(50000);
    for (std::size_t k = 0; k < own.size(); ++k) {
        own[k] = static_cast<float>(k) / 65536.0f;
    }
    const std::string path = Written("ramp.wav", own);

    sound::TFilePlayback playback(path);
    std::vector<float> taken;
    const auto take = [&](std::size_t count) {
        std::vector<float> piece(count);
        playback.Take(piece);
        taken.insert(taken.end(), piece.begin(), piece.end());
    };
    for (const std::size_t piece : {1u, 480u, 1280u, 7u, 4096u, 9000u}) {
        take(piece);
    }
    EXPECT_TRUE(std::equal(taken.begin(), taken.end(), own.begin()));
    EXPECT_EQ(playback.Position(), static_cast<std::int64_t>(taken.size()));

    playback.Seek(30000);
    taken.clear();
    take(100);
    EXPECT_TRUE(std::equal(taken.begin(), taken.end(), own.begin() + 30000));

    // From inside the loop to its end, then round it twice.
    playback.SetLoop(sound::TSampleRegion{20000, 30500});
    taken.clear();
    take(400 + 2 * 10500);
    std::vector<float> expected(own.begin() + 30100, own.begin() + 30500);
    for (int turn = 0; turn < 2; ++turn) {
        expected.insert(expected.end(), own.begin() + 20000, own.begin() + 30500);
    }
    EXPECT_TRUE(taken == expected);
    EXPECT_EQ(playback.Position(), 20000);

    playback.SetLoop(std::nullopt);
    playback.Seek(49990);
    taken.clear();
    take(30);
    expected.assign(own.begin() + 49990, own.end());
    expected.resize(30, 0.0f);
    EXPECT_TRUE(taken == expected);
    EXPECT_TRUE(playback.AtEnd());
    EXPECT_EQ(playback.Starved(), 0);
    EXPECT_EQ(playback.Problem(), "");

    // The frames and the device take from one position: each frame the next 1024 on the
    // frames' clock, the same again while paused, and on the device's clock the 1024 that end
    // the device's queue before the latest it took.
    sound::TSourcePlayer player(std::make_unique<sound::TFilePlayback>(path));
    std::array<long double, 1024> frame{};
    const auto shows = [&](std::size_t first) {
        for (std::size_t k = 0; k < frame.size(); ++k) {
            if (frame[k] != own[first + k]) {
                return false;
            }
        }
        return true;
    };
    player.FrameSource().Take(frame);
    EXPECT_TRUE(shows(0));
    player.FrameSource().Take(frame);
    EXPECT_TRUE(shows(1024));
    EXPECT_EQ(player.ShownPosition(), 2048);
    player.SetPaused(true);
    player.FrameSource().Take(frame);
    EXPECT_TRUE(shows(1024));
    EXPECT_EQ(player.FrameSource().Fresh(frame.size()), 0u); // nothing new
    player.SetPaused(false);
    player.SetClock(sound::TSourceClock::scDevice);
    player.SetHeardDelay(1280);
    std::vector<float> played(3000);
    player.TakeForDevice(played);
    EXPECT_TRUE(std::equal(played.begin(), played.end(), own.begin() + 2048));
    player.FrameSource().Take(frame);
    EXPECT_TRUE(shows(2048 + 3000 - 1280 - 1024));
    EXPECT_EQ(player.File().Position(), 5048);
    EXPECT_EQ(player.ShownPosition(), 5048 - 1280);
    player.File().SetLoop(sound::TSampleRegion{4000, 20000}); // just come round it
    EXPECT_EQ(player.ShownPosition(), 20000 - 232);
    // What is new in a frame on the device's clock: what the device took since the one before.
    player.TakeForDevice(std::span(played).first(300));
    player.FrameSource().Take(frame);
    EXPECT_EQ(player.FrameSource().Fresh(frame.size()), 300u);

    // A file that shrinks while it plays takes its new length, and its loop goes on within it.
    sound::TFilePlayback shrinking(path);
    shrinking.SetLoop(sound::TSampleRegion{40000, 50000});
    fs::resize_file(path, fs::file_size(path) - 4 * 5000);
    shrinking.Seek(44000);
    std::vector<float> heard(1000 + 5000 + 100);
    shrinking.Take(heard);
    expected.assign(own.begin() + 44000, own.begin() + 45000);
    expected.insert(expected.end(), own.begin() + 40000, own.begin() + 45000);
    expected.insert(expected.end(), own.begin() + 40000, own.begin() + 40100);
    EXPECT_TRUE(heard == expected);
    EXPECT_EQ(shrinking.Length(), 45000);
    EXPECT_EQ(shrinking.Loop(), (sound::TSampleRegion{40000, 45000}));
    EXPECT_FALSE(shrinking.AtEnd());
}

} // namespace
