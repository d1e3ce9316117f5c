// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound_file.h"

#include <sndfile.h>
#include <soxr.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <vector>

namespace sound {
namespace {

// How many of the file's frames are decoded at once: 4096 mono frames (256 ms at 16 kHz),
// fewer per channel for a file of many, so that a block stays near 64 KB of samples.
constexpr std::size_t BlockSamples = 16384;

std::size_t BlockFrames(int channels) {
    return std::max<std::size_t>(1, BlockSamples / static_cast<std::size_t>(channels));
}

// The longest file taken, in samples at 16000 Hz: 2^48 is over 500 years, far beyond any
// recording, yet far enough within 64 bits that no position or rate arithmetic overflows.
// Only a header that lies claims more.
constexpr long double MostSamples = 281474976710656.0L;

// The file's length at 16000 Hz, rounded to the nearest sample.
std::int64_t SamplesAtSourceRate(std::int64_t frames, int rateHz) {
    const long double samples = static_cast<long double>(frames) / rateHz * SourceRateHz + 0.5L;
    if (samples > MostSamples) {
        throw TSoundFileError("its header claims a length no recording has");
    }
    return static_cast<std::int64_t>(samples);
}

std::string FormatName(int format) {
    SF_FORMAT_INFO info{};
    info.format = format;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name != nullptr) {
        return info.name;
    }
    return "unknown";
}

constexpr const char* PermissionDenied = "permission to read it is denied";

// Why a file cannot be opened, in the words a user acts on: the system's for a missing or
// unreadable file, libsndfile's for one it does not read.
std::string OpenProblem(const std::string& path) {
    struct stat status{};
    if (stat(path.c_str(), &status) != 0) {
        return errno == ENOENT ? "no such file" : errno == EACCES ? PermissionDenied : std::strerror(errno);
    }
    if (S_ISDIR(status.st_mode)) {
        return "it is a folder, not a sound file";
    }
    if (S_ISREG(status.st_mode) && status.st_size == 0) {
        return "the file is empty";
    }
    // Opened as the reader would be, so that a privileged one is not refused here.
    if (FILE* const file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
    } else if (errno == EACCES) {
        return PermissionDenied;
    }
    std::string why = sf_strerror(nullptr);
    while (!why.empty() && (why.back() == '.' || why.back() == '\n')) {
        why.pop_back();
    }
    return "not a sound file Orvex can read (libsndfile: " + why + ")";
}

struct TCloseFile {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
struct TDeleteResampler {
    void operator()(soxr_t resampler) const { soxr_delete(resampler); }
};

} // namespace

class TSoundFile::TDecoder {
public:
    explicit TDecoder(const std::string& path) {
        // A fifo or a device would block or never end; only a regular file is a sound file.
        struct stat status{};
        if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) &&
            !S_ISDIR(status.st_mode)) {
            throw TSoundFileError("not a regular file");
        }
        file_.reset(sf_open(path.c_str(), SFM_READ, &sfInfo_));
        if (file_ == nullptr) {
            throw TSoundFileError(OpenProblem(path));
        }
        if (sfInfo_.channels <= 0 || sfInfo_.samplerate <= 0) {
            throw TSoundFileError("the file names no channels or no sample rate");
        }
        interleaved_.resize(BlockFrames(sfInfo_.channels) * static_cast<std::size_t>(sfInfo_.channels));
        if (sfInfo_.frames == SF_COUNT_MAX) {
            // A stream written without knowing its length (a FLAC whose header leaves the
            // count unsaid) is counted once by reading it through.
            sfInfo_.frames = CountedFrames();
        }
        if (sfInfo_.frames <= 0) {
            throw TSoundFileError("the file holds no sound");
        }
        info_.Format = FormatName(sfInfo_.format & SF_FORMAT_TYPEMASK);
        info_.Encoding = FormatName(sfInfo_.format & SF_FORMAT_SUBMASK);
        info_.Channels = sfInfo_.channels;
        info_.SampleRateHz = sfInfo_.samplerate;
        info_.Frames = sfInfo_.frames;
        info_.Samples = SamplesAtSourceRate(sfInfo_.frames, sfInfo_.samplerate);
        if (info_.Samples <= 0) {
            throw TSoundFileError("the file holds less than one sample at 16000 Hz");
        }
        // Integer samples as libsndfile's normalised floats (full scale 1.0).
        sf_command(file_.get(), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);

        mono_.resize(BlockFrames(sfInfo_.channels));
        if (sfInfo_.samplerate != SourceRateHz) {
            soxr_error_t error = nullptr;
            const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
            const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
            resampler_.reset(soxr_create(sfInfo_.samplerate, SourceRateHz, 1, &error, &io,
                                         &quality, nullptr));
            if (resampler_ == nullptr || error != nullptr) {
                throw TSoundFileError(std::string("cannot resample it to 16000 Hz (libsoxr: ") +
                                      (error != nullptr ? error : "no resampler") + ")");
            }
        }
        pending_.resize(mono_.size());
    }

    const TSoundFileInfo& Info() const { return info_; }
    std::int64_t Position() const { return position_; }

    void Seek(std::int64_t sample) {
        sample = std::clamp<std::int64_t>(sample, 0, info_.Samples);
        const auto frame = static_cast<sf_count_t>(static_cast<long double>(sample) *
                                                   sfInfo_.samplerate / SourceRateHz);
        if (sf_seek(file_.get(), std::min<sf_count_t>(frame, sfInfo_.frames), SEEK_SET) < 0) {
            throw TSoundFileError(std::string("cannot move within the file (libsndfile: ") +
                                  sf_strerror(file_.get()) + ")");
        }
        if (resampler_ != nullptr) {
            soxr_clear(resampler_.get());
        }
        inputEnded_ = false;
        monoRead_ = monoCount_ = 0;
        pendingRead_ = pendingCount_ = 0;
        position_ = sample;
    }

    std::size_t Read(std::span<float> out) {
        std::size_t done = 0;
        // The file's length at 16000 Hz is fixed when it opens: a resampler's last few
        // samples beyond it are dropped, and a file that ends early ends there.
        const auto wanted = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(out.size()), info_.Samples - position_));
        while (done < wanted) {
            if (pendingRead_ == pendingCount_ && !Refill()) {
                break;
            }
            const std::size_t n = std::min(wanted - done, pendingCount_ - pendingRead_);
            std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(pendingRead_), n,
                        out.begin() + static_cast<std::ptrdiff_t>(done));
            pendingRead_ += n;
            done += n;
        }
        position_ += static_cast<std::int64_t>(done);
        return done;
    }

private:
    // Reads the file to its end and back to its start; returns how many frames it holds.
    sf_count_t CountedFrames() {
        const auto block = static_cast<sf_count_t>(interleaved_.size()) / sfInfo_.channels;
        sf_count_t frames = 0;
        for (sf_count_t got = 0; (got = sf_readf_float(file_.get(), interleaved_.data(), block)) > 0;) {
            frames += got;
        }
        if (sf_error(file_.get()) != SF_ERR_NO_ERROR || sf_seek(file_.get(), 0, SEEK_SET) != 0) {
            throw TSoundFileError(std::string("the file cannot be read through (libsndfile: ") +
                                  sf_strerror(file_.get()) + ")");
        }
        return frames;
    }

    // Decodes the next block of the file into mono_, the mean of its channels; returns how
    // many frames it holds, 0 at the end.
    std::size_t DecodeBlock() {
        const sf_count_t frames = sf_readf_float(file_.get(), interleaved_.data(),
                                                 static_cast<sf_count_t>(mono_.size()));
        if (frames <= 0) {
            if (sf_error(file_.get()) != SF_ERR_NO_ERROR) {
                throw TSoundFileError(std::string("the file cannot be read further (libsndfile: ") +
                                      sf_strerror(file_.get()) + ")");
            }
            return 0;
        }
        const auto count = static_cast<std::size_t>(frames);
        const auto channels = static_cast<std::size_t>(sfInfo_.channels);
        if (channels == 1) {
            std::copy_n(interleaved_.begin(), count, mono_.begin());
            return count;
        }
        for (std::size_t frame = 0; frame < count; ++frame) {
            // In double, so that the mean of many channels rounds once.
            double sum = 0.0;
            for (std::size_t channel = 0; channel < channels; ++channel) {
                sum += interleaved_[frame * channels + channel];
            }
            mono_[frame] = static_cast<float>(sum / static_cast<double>(channels));
        }
        return count;
    }

    // Fills pending_ with the next samples at 16000 Hz; false at the end of the file.
    bool Refill() {
        pendingRead_ = pendingCount_ = 0;
        if (resampler_ == nullptr) {
            pendingCount_ = DecodeBlock();
            std::copy_n(mono_.begin(), pendingCount_, pending_.begin());
            return pendingCount_ > 0;
        }
        while (pendingCount_ == 0) {
            if (monoRead_ == monoCount_ && !inputEnded_) {
                monoCount_ = DecodeBlock();
                monoRead_ = 0;
                inputEnded_ = monoCount_ == 0;
            }
            std::size_t used = 0;
            // No input at all tells the resampler the signal has ended: it gives what it holds
            // back, and nothing once that is out.
            const soxr_error_t error = soxr_process(
                resampler_.get(), inputEnded_ ? nullptr : mono_.data() + monoRead_, monoCount_ - monoRead_,
                &used, pending_.data(), pending_.size(), &pendingCount_);
            if (error != nullptr) {
                throw TSoundFileError(std::string("cannot resample it (libsoxr: ") + error + ")");
            }
            monoRead_ += used;
            if (inputEnded_ && pendingCount_ == 0) {
                return false;
            }
        }
        return true;
    }

    SF_INFO sfInfo_{};
    std::unique_ptr<SNDFILE, TCloseFile> file_;
    std::unique_ptr<std::remove_pointer_t<soxr_t>, TDeleteResampler> resampler_;
    TSoundFileInfo info_;
    std::vector<float> interleaved_; // one block as decoded, the channels interleaved
    std::vector<float> mono_;        // the same block mixed to one channel
    std::size_t monoRead_ = 0;       // of which the resampler has taken these
    std::size_t monoCount_ = 0;
    std::vector<float> pending_;     // samples at 16000 Hz not yet handed out
    std::size_t pendingRead_ = 0;
    std::size_t pendingCount_ = 0;
    bool inputEnded_ = false;
    std::int64_t position_ = 0;
};

TSoundFile::TSoundFile(const std::string& path) : decoder_(std::make_unique<TDecoder>(path)) {}

TSoundFile::~TSoundFile() = default;

const TSoundFileInfo& TSoundFile::Info() const { return decoder_->Info(); }

std::int64_t TSoundFile::Position() const { return decoder_->Position(); }

void TSoundFile::Seek(std::int64_t sample) { decoder_->Seek(sample); }

std::size_t TSoundFile::Read(std::span<float> out) { return decoder_->Read(out); }

void TSoundFile::Take(std::span<long double> unitSamples) {
    // In pieces of a fixed size, so that taking allocates nothing.
    constexpr std::size_t Piece = 1024;
    std::array<float, Piece> recorded{};
    while (!unitSamples.empty()) {
        const std::size_t n = std::min(Piece, unitSamples.size());
        const std::size_t got = Read(std::span<float>(recorded.data(), n));
        std::fill(recorded.begin() + static_cast<std::ptrdiff_t>(got),
                  recorded.begin() + static_cast<std::ptrdiff_t>(n), 0.0f);
        for (std::size_t k = 0; k < n; ++k) {
            unitSamples[k] = analysis::UnitSample(recorded[k]);
        }
        unitSamples = unitSamples.subspan(n);
    }
}

std::vector<float> ReadAhead(TSoundFile& file, std::int64_t most) {
    const std::int64_t left = std::max<std::int64_t>(file.Info().Samples - file.Position(), 0);
    std::vector<float> samples(static_cast<std::size_t>(std::min(left, std::max<std::int64_t>(most, 0))));
    samples.resize(file.Read(samples));
    return samples;
}

} // namespace sound
