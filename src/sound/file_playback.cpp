// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_playback.h"

#include <algorithm>
#include <cassert>
#include <chrono>

namespace sound {
namespace {

// What is decoded ahead of the play position: two seconds at 16000 Hz, decoded a quarter
// of a second at a time.
constexpr std::size_t AheadSamples = 32768;
constexpr std::size_t DecodeBlockSamples = 4096;
// The longest a taker waits for the decoder to catch up: a block decodes in well under a
// millisecond, resampling included.
constexpr std::chrono::milliseconds StartWait{20};

} // namespace

TFilePlayback::TFilePlayback(const std::string& path)
    : file_(std::make_unique<TSoundFile>(path)), ahead_(AheadSamples),
      aheadPositions_(AheadSamples) {
    // The file is the decoder's alone once it runs; opening it here refuses a bad file
    // before anything starts.
    info_ = file_->Info();
    length_.store(info_.Samples, std::memory_order_release);
    decoder_ = std::jthread([this](std::stop_token stop) { Decode(std::move(stop)); });
}

TFilePlayback::~TFilePlayback() {
    decoder_.request_stop();
    wake_.notify_all();
}

void TFilePlayback::Decode(std::stop_token stop) {
    std::vector<float> block(DecodeBlockSamples);
    while (true) {
        std::int64_t from = 0;
        std::uint64_t generation = 0;
        std::optional<TSampleRegion> loop;
        {
            std::unique_lock lock(mutex_);
            const bool woken = wake_.wait(lock, stop, [this] {
                return decodeFrom_ < Length() && aheadCount_ + DecodeBlockSamples <= AheadSamples;
            });
            if (!woken) {
                return;
            }
            from = decodeFrom_;
            generation = generation_;
            loop = loop_;
        }
        // Up to the loop's end when the position is inside the loop, else the file's.
        const bool looping = loop && from < loop->End;
        const std::int64_t until = looping ? loop->End : Length();
        const auto count = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(DecodeBlockSamples), until - from));
        std::size_t got = 0;
        std::string problem;
        try {
            if (file_->Position() != from) {
                file_->Seek(from);
            }
            got = file_->Read(std::span(block).first(count));
        } catch (const TSoundFileError& error) {
            problem = error.what();
        }
        std::int64_t next = from + static_cast<std::int64_t>(got);
        if (looping && next >= loop->End) {
            next = loop->Begin;
        }

        std::lock_guard lock(mutex_);
        if (generation != generation_) {
            continue; // a seek or a new loop came meanwhile
        }
        if (!problem.empty()) {
            // Unreadable: nothing is decoded again until the position moves.
            problem_ = problem;
            next = Length();
        } else if (got < count) {
            // The file ends early (it shrank while open): that is its length now, and a loop
            // goes on within it.
            Shorten(from + static_cast<std::int64_t>(got));
            next = looping && loop_ ? loop_->Begin : Length();
        }
        for (std::size_t k = 0; k < got; ++k) {
            const std::size_t slot = (aheadRead_ + aheadCount_) % AheadSamples;
            ahead_[slot] = block[k];
            aheadPositions_[slot] = from + static_cast<std::int64_t>(k);
            ++aheadCount_;
        }
        decodeFrom_ = next;
        if (aheadCount_ == 0) {
            // Nothing is left to take: the next Take starts where decoding goes on (a shrunk
            // file's loop start), not at an end that is no longer there.
            position_.store(next, std::memory_order_release);
        }
        filled_.notify_all();
    }
}

void TFilePlayback::Take(std::span<float> out) {
    std::size_t taken = 0;
    bool more = false;
    {
        std::unique_lock lock(mutex_);
        // Just after opening or a seek the decoder has had no time yet: it is waited for
        // briefly, rather than heard as a gap.
        filled_.wait_for(lock, StartWait, [this, &out] {
            return aheadCount_ >= out.size() || decodeFrom_ >= Length();
        });
        taken = std::min(out.size(), aheadCount_);
        for (std::size_t k = 0; k < taken; ++k) {
            out[k] = ahead_[aheadRead_];
            aheadRead_ = (aheadRead_ + 1) % AheadSamples;
        }
        aheadCount_ -= taken;
        // The next sample's position: the oldest one decoded ahead, else where the decoder
        // goes on from, which is where the last one taken leads.
        const std::int64_t position = aheadCount_ > 0 ? aheadPositions_[aheadRead_] : decodeFrom_;
        position_.store(position, std::memory_order_release);
        more = position < Length();
    }
    wake_.notify_one();
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(taken), out.end(), 0.0f);
    if (more && taken < out.size()) {
        starved_.fetch_add(static_cast<std::int64_t>(out.size() - taken), std::memory_order_relaxed);
    }
}

void TFilePlayback::Seek(std::int64_t sample) {
    {
        std::lock_guard lock(mutex_);
        const std::int64_t to = std::clamp<std::int64_t>(sample, 0, Length());
        ++generation_;
        aheadCount_ = 0;
        decodeFrom_ = to;
        position_.store(to, std::memory_order_release);
    }
    wake_.notify_one();
}

void TFilePlayback::SetLoop(std::optional<TSampleRegion> region) {
    {
        std::lock_guard lock(mutex_);
        if (region) {
            region->Begin = std::clamp<std::int64_t>(region->Begin, 0, Length());
            region->End = std::clamp<std::int64_t>(region->End, region->Begin, Length());
            if (region->End == region->Begin) {
                region.reset();
            }
        }
        if (region == loop_) {
            return;
        }
        loop_ = region;
        // What was decoded ahead may lie past the new loop's end: decode afresh from the play
        // position.
        ++generation_;
        aheadCount_ = 0;
        decodeFrom_ = position_.load(std::memory_order_acquire);
    }
    wake_.notify_one();
}

void TFilePlayback::Shorten(std::int64_t length) {
    length = std::min(length, Length());
    length_.store(length, std::memory_order_release);
    if (loop_) {
        loop_->End = std::min(loop_->End, length);
        if (loop_->Begin >= loop_->End) {
            loop_->Begin = 0;
        }
        if (loop_->End <= loop_->Begin) {
            loop_.reset(); // nothing left to loop
        }
    }
}

bool TFilePlayback::AtEnd() const {
    // Under the lock: a shrinking file moves its length and the position together.
    std::lock_guard lock(mutex_);
    return Position() >= Length();
}

std::optional<TSampleRegion> TFilePlayback::Loop() const {
    std::lock_guard lock(mutex_);
    return loop_;
}

std::string TFilePlayback::Problem() const {
    std::lock_guard lock(mutex_);
    return problem_;
}

} // namespace sound
