// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound_file.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace sound {

// A part of a file, in samples at 16000 Hz: [Begin, End).
struct TSampleRegion {
    std::int64_t Begin = 0;
    std::int64_t End = 0;

    friend bool operator==(const TSampleRegion&, const TSampleRegion&) = default;
};

// A sound file being played: a thread of its own decodes ahead of the play position (about
// two seconds), so that whoever takes the samples (the sound device's thread while
// listening, else the frame timer) never waits on decoding, seeking or resampling. It moves
// through the file as the samples are taken, jumps back to the loop region's start at its
// end when a loop is set, and gives silence after the end of the file.
//
// Take is for one thread at a time (the taker may change while nothing takes); every other
// call is for any thread.
class TFilePlayback {
public:
    // Opens `path` as TSoundFile does (throws TSoundFileError) and starts decoding from its
    // beginning.
    explicit TFilePlayback(const std::string& path);
    ~TFilePlayback();
    TFilePlayback(const TFilePlayback&) = delete;
    TFilePlayback& operator=(const TFilePlayback&) = delete;

    // The file as it was opened; its length may since have shrunk (Length).
    const TSoundFileInfo& Info() const { return info_; }
    // The file's length in samples at 16000 Hz: Info().Samples, or less once the file has
    // been found to end sooner (it shrank while open, or its header said more than it holds).
    std::int64_t Length() const { return length_.load(std::memory_order_acquire); }

    // Writes the next samples (16000 Hz, one channel, unit scale as the file holds them)
    // and moves on by as many. Where decoding has not kept up (it is waited for at most a
    // few milliseconds), or after the end of the file, it writes silence; Starved() counts
    // the samples that were missing while the file had more to give.
    void Take(std::span<float> out);

    // The position of the sample Take gives next, 0 to Length().
    std::int64_t Position() const { return position_.load(std::memory_order_acquire); }
    // Whether the play position has reached the end of the file (never while looping).
    bool AtEnd() const;
    std::int64_t Starved() const { return starved_.load(std::memory_order_relaxed); }

    // Moves the play position to `sample` (clamped to the file); the next Take starts there.
    void Seek(std::int64_t sample);

    // Plays `region` over and over (clamped to the file; none if empty), from the play
    // position on: a position before its end runs into it and jumps back at its end. A file
    // found shorter keeps its loop within its new length (the whole file if the loop lay
    // beyond it).
    void SetLoop(std::optional<TSampleRegion> region);
    std::optional<TSampleRegion> Loop() const;

    // The last problem decoding met (the file became unreadable), or empty. Playing goes on
    // with silence.
    std::string Problem() const;

private:
    void Decode(std::stop_token stop);
    // The file was found to end at `length`: the loop is kept within it. Under mutex_.
    void Shorten(std::int64_t length);

    std::unique_ptr<TSoundFile> file_; // the decoder's alone once it runs
    TSoundFileInfo info_;
    // Samples decoded ahead, with the file position of each (a loop makes them jump).
    std::vector<float> ahead_;
    std::vector<std::int64_t> aheadPositions_;
    std::size_t aheadRead_ = 0;  // the oldest sample not yet taken
    std::size_t aheadCount_ = 0; // how many are there
    // Where the decoder goes on from, and the version of the requests it follows: a seek or
    // a new loop throws away what was decoded ahead.
    std::int64_t decodeFrom_ = 0;
    std::uint64_t generation_ = 0;
    std::optional<TSampleRegion> loop_;
    std::string problem_;
    mutable std::mutex mutex_;
    std::condition_variable_any wake_; // the decoder: there is room, or a request
    std::condition_variable filled_;   // a taker: the decoder added samples
    std::atomic<std::int64_t> position_{0};
    std::atomic<std::int64_t> length_{0}; // written under mutex_
    std::atomic<std::int64_t> starved_{0};
    // Last: the decoder is stopped and joined before anything it uses is gone.
    std::jthread decoder_;
};

} // namespace sound
