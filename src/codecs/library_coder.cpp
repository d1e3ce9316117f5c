// SPDX-License-Identifier: GPL-3.0-or-later
#include "library_coder.h"

#include <algorithm>
#include <cassert>

namespace codecs {

TLibraryCoder::TLibraryCoder(const analysis::TStreamCoderTraits& traits,
                             std::unique_ptr<TFrameCodec> codec, int frameSamples, int codecRateHz,
                             int leadSamples)
    : TStreamCoder(traits), codec_(std::move(codec)),
      frameSamples_(static_cast<std::size_t>(frameSamples)),
      blockSamples_(static_cast<std::size_t>(frameSamples) * analysis::StreamRateHz /
                    static_cast<std::size_t>(codecRateHz)),
      leadSamples_(static_cast<std::size_t>(leadSamples)) {
    assert(codecRateHz == analysis::StreamRateHz || codecRateHz == analysis::StreamRateHz / 2);
    assert(codec_ == nullptr || codec_->FrameSamples() == frameSamples);
    if (codecRateHz != analysis::StreamRateHz) {
        down_.emplace(analysis::StreamRateHz, codecRateHz);
        up_.emplace(codecRateHz, analysis::StreamRateHz);
    }
    decoded_.resize(frameSamples_);
    Reset();
}

void TLibraryCoder::Reset() {
    if (codec_ != nullptr) {
        codec_->Reset();
    }
    if (down_) {
        down_->Clear();
        up_->Clear();
    }
    block_.clear();
    narrow_.clear();
    queue_.assign(leadSamples_, 0.0);
    queueRead_ = 0;
}

void TLibraryCoder::CodeBlock() {
    // The whole blocks keep libsoxr's work the same however the caller cuts the stream.
    std::span<const double> frames = block_;
    if (down_) {
        down_->Process(block_, narrow_);
        frames = narrow_;
    }
    std::size_t done = 0;
    std::vector<double> wide;
    for (; frames.size() - done >= frameSamples_; done += frameSamples_) {
        const std::span<const double> frame = frames.subspan(done, frameSamples_);
        if (codec_ != nullptr) {
            codec_->Code(frame, decoded_);
        } else {
            std::copy(frame.begin(), frame.end(), decoded_.begin());
        }
        if (up_) {
            up_->Process(decoded_, wide);
        } else {
            queue_.insert(queue_.end(), decoded_.begin(), decoded_.end());
        }
    }
    queue_.insert(queue_.end(), wide.begin(), wide.end());
    if (down_) {
        narrow_.erase(narrow_.begin(), narrow_.begin() + static_cast<std::ptrdiff_t>(done));
    }
    block_.clear();
}

void TLibraryCoder::Code(std::span<const double> in, std::span<double> out) {
    assert(in.size() == out.size());
    while (!in.empty()) {
        const std::size_t count = std::min(in.size(), blockSamples_ - block_.size());
        block_.insert(block_.end(), in.begin(), in.begin() + static_cast<std::ptrdiff_t>(count));
        if (block_.size() == blockSamples_) {
            CodeBlock();
        }
        // The lead keeps the queue ahead of the input: running dry would shift the stream.
        assert(queue_.size() - queueRead_ >= count);
        std::copy_n(queue_.begin() + static_cast<std::ptrdiff_t>(queueRead_), count, out.begin());
        queueRead_ += count;
        in = in.subspan(count);
        out = out.subspan(count);
    }
    // Drops what was read once it is most of the queue, so the queue stays about a block long.
    if (queueRead_ > 4096 && queueRead_ * 2 > queue_.size()) {
        queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(queueRead_));
        queueRead_ = 0;
    }
}

} // namespace codecs
