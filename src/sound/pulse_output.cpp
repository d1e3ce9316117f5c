// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulse_output.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <limits>
#include <utility>

#include <pulse/pulseaudio.h>

namespace sound {
namespace {

std::string Phrase(const char* what, int error) {
    return std::string(what) + " (" + pa_strerror(error) + ")";
}

constexpr std::uint32_t SampleBytes = sizeof(float);
// Lets the server choose a buffer attribute.
constexpr std::uint32_t ServerChooses = std::numeric_limits<std::uint32_t>::max();

} // namespace

// The connection to the server with an event thread of its own (a threaded main loop), and
// the stream once one plays. The callbacks run on the loop's thread with the loop's lock held;
// everything else takes the lock itself, on the caller's thread.
class TPulseOutput::TConnection {
public:
    TConnection(const std::string& clientName, std::chrono::milliseconds limit)
        : loop_(pa_threaded_mainloop_new()),
          deadline_(std::chrono::steady_clock::now() + limit) {
        if (loop_ != nullptr) {
            context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), clientName.c_str());
        }
    }

    ~TConnection() {
        if (loop_ == nullptr) {
            return;
        }
        pa_threaded_mainloop_lock(loop_);
        EndStartDeadline();
        if (stream_ != nullptr) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        if (context_ != nullptr) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        pa_threaded_mainloop_unlock(loop_);
        // Joins the loop's thread, so no callback runs after this.
        pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
    }

    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

    // Connects to the server without ever starting one.
    void Connect() {
        if (loop_ == nullptr || context_ == nullptr) {
            throw TSoundError("the sound client could not start");
        }
        pa_context_set_state_callback(context_, &ContextChanged, this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            throw TSoundError(Phrase("no sound server answers", pa_context_errno(context_)));
        }
        if (pa_threaded_mainloop_start(loop_) < 0) {
            throw TSoundError("the sound client could not start its thread");
        }
        const TLock lock(loop_);
        AwaitReady([this] { return pa_context_get_state(context_) == PA_CONTEXT_READY; },
                   [this] { return ContextGood(); }, "no sound server answers");
    }

    // The name of the server's default output; empty if it has none.
    std::string DefaultOutput() {
        const TLock lock(loop_);
        struct TAnswer {
            TConnection* connection;
            std::string name;
            bool given = false;
        } answer{this, {}};
        pa_operation* const asking = pa_context_get_server_info(
            context_,
            [](pa_context*, const pa_server_info* info, void* self) {
                auto& answer = *static_cast<TAnswer*>(self);
                if (info != nullptr && info->default_sink_name != nullptr) {
                    answer.name = info->default_sink_name;
                }
                answer.given = true;
                pa_threaded_mainloop_signal(answer.connection->loop_, 0);
            },
            &answer);
        if (asking == nullptr) {
            throw TSoundError(Phrase("the sound server would not answer", pa_context_errno(context_)));
        }
        const bool given = WaitFor([&] { return answer.given || !ContextGood(); });
        // Cancelled if still running, so that the callback never sees `answer` gone.
        if (pa_operation_get_state(asking) == PA_OPERATION_RUNNING) {
            pa_operation_cancel(asking);
        }
        pa_operation_unref(asking);
        if (!given || !answer.given) {
            throw TSoundError("the sound server does not answer");
        }
        return answer.name;
    }

    // Starts connecting and playing in the background: the loop's callbacks take each step
    // as the server answers, and `started` is told how it ended.
    void StartPlaying(const TOutputFormat& format, TFill fill, TStarted started, TLost lost) {
        assert(format.SampleRate > 0 && format.RequestSamples > 0 &&
               format.RequestSamples <= format.TargetSamples);
        if (loop_ == nullptr || context_ == nullptr) {
            throw TSoundError("the sound client could not start");
        }
        format_ = format;
        fill_ = std::move(fill);
        started_ = std::move(started);
        lost_ = std::move(lost);
        starting_ = true;
        pa_context_set_state_callback(context_, &ContextChanged, this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            throw TSoundError(Phrase("no sound server answers", pa_context_errno(context_)));
        }
        // The loop's thread is not running yet, so nothing needs its lock here.
        using namespace std::chrono;
        const auto remaining = duration_cast<microseconds>(deadline_ - steady_clock::now());
        timeval when{};
        pa_timeval_add(pa_gettimeofday(&when),
                       static_cast<pa_usec_t>(std::max(remaining.count(), microseconds::rep{0})));
        pa_mainloop_api* const api = pa_threaded_mainloop_get_api(loop_);
        startDeadline_ = api->time_new(api, &when, &StartDeadlinePassed, this);
        if (pa_threaded_mainloop_start(loop_) < 0) {
            throw TSoundError("the sound client could not start its thread");
        }
    }

private:
    class TLock {
    public:
        explicit TLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
        ~TLock() { pa_threaded_mainloop_unlock(loop_); }
        TLock(const TLock&) = delete;
        TLock& operator=(const TLock&) = delete;

    private:
        pa_threaded_mainloop* loop_;
    };

    bool ContextGood() const { return PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)); }

    // With the lock held: waits until the context or stream is `ready`, or no longer `good`
    // (then `refusal` and the server's reason are thrown), or the deadline passes.
    template <class TReady, class TGood>
    void AwaitReady(const TReady& ready, const TGood& good, const char* refusal) {
        if (!WaitFor([&] { return ready() || !good(); })) {
            throw TSoundError("the sound server does not answer");
        }
        if (!ready()) {
            throw TSoundError(Phrase(refusal, pa_context_errno(context_)));
        }
    }

    // With the lock held: waits until `done` holds, woken by the callbacks, and says whether
    // it did before the connection's deadline passed.
    template <class TDone>
    bool WaitFor(const TDone& done) {
        using namespace std::chrono;
        if (done()) {
            return true;
        }
        const auto remaining = duration_cast<microseconds>(deadline_ - steady_clock::now());
        if (remaining.count() <= 0) {
            return false;
        }
        timeval when{};
        pa_timeval_add(pa_gettimeofday(&when), static_cast<pa_usec_t>(remaining.count()));
        pa_mainloop_api* const api = pa_threaded_mainloop_get_api(loop_);
        deadlinePassed_ = false;
        pa_time_event* const alarm = api->time_new(api, &when, &DeadlinePassed, this);
        bool held = false;
        while (!held && !deadlinePassed_) {
            pa_threaded_mainloop_wait(loop_);
            // What holds only once the deadline has woken us was not told in time.
            held = !deadlinePassed_ && done();
        }
        api->time_free(alarm);
        return held;
    }

    static void DeadlinePassed(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
        auto& connection = *static_cast<TConnection*>(self);
        connection.deadlinePassed_ = true;
        pa_threaded_mainloop_signal(connection.loop_, 0);
    }

    static void ContextChanged(pa_context* context, void* self) {
        auto& connection = *static_cast<TConnection*>(self);
        pa_threaded_mainloop_signal(connection.loop_, 0);
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY && connection.starting_ && connection.stream_ == nullptr) {
            connection.OpenStream();
        } else if (!PA_CONTEXT_IS_GOOD(state)) {
            const int error = pa_context_errno(context);
            connection.Fail(Phrase("no sound server answers", error));
            connection.Lose(Phrase("the sound server went away", error));
        }
    }

    static void StreamChanged(pa_stream* stream, void* self) {
        auto& connection = *static_cast<TConnection*>(self);
        pa_threaded_mainloop_signal(connection.loop_, 0);
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_READY && connection.starting_) {
            connection.starting_ = false;
            connection.playing_ = true;
            connection.EndStartDeadline();
            connection.started_({});
        } else if (!PA_STREAM_IS_GOOD(state)) {
            const int error = pa_context_errno(connection.context_);
            connection.Fail(Phrase("the sound server would not play the stream", error));
            connection.Lose(Phrase("the sound server ended the stream", error));
        }
    }

    static void StartDeadlinePassed(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
        auto& connection = *static_cast<TConnection*>(self);
        connection.Fail("the sound server does not answer");
    }

    // On the loop's thread, once the server has answered: asks it for the stream.
    void OpenStream() {
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE,
                                  static_cast<std::uint32_t>(format_.SampleRate), 1};
        stream_ = pa_stream_new(context_, "Tone", &spec, nullptr);
        if (stream_ == nullptr) {
            Fail(Phrase("the sound server would not make a stream", pa_context_errno(context_)));
            return;
        }
        pa_stream_set_state_callback(stream_, &StreamChanged, this);
        pa_stream_set_write_callback(stream_, &WriteRequested, this);
        pa_buffer_attr buffer{};
        buffer.maxlength = ServerChooses;
        buffer.tlength = static_cast<std::uint32_t>(format_.TargetSamples) * SampleBytes;
        buffer.prebuf = ServerChooses;
        buffer.minreq = static_cast<std::uint32_t>(format_.RequestSamples) * SampleBytes;
        buffer.fragsize = ServerChooses;
        // The target is the whole delay to the speaker, the device's own buffer included:
        // the server lowers the device's latency to meet it where it can.
        if (pa_stream_connect_playback(stream_, nullptr, &buffer, PA_STREAM_ADJUST_LATENCY,
                                       nullptr, nullptr) < 0) {
            Fail(Phrase("the sound server would not play the stream", pa_context_errno(context_)));
        }
    }

    // On the loop's thread: a start still under way has failed. It is told once, and nothing
    // more happens on the connection: no samples are asked for, no loss is told.
    void Fail(const std::string& why) {
        if (!starting_) {
            return;
        }
        starting_ = false;
        EndStartDeadline();
        if (stream_ != nullptr) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
        }
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        started_(why);
    }

    // With the lock held, or on the loop's thread.
    void EndStartDeadline() {
        if (startDeadline_ != nullptr) {
            pa_mainloop_api* const api = pa_threaded_mainloop_get_api(loop_);
            api->time_free(startDeadline_);
            startDeadline_ = nullptr;
        }
    }

    // The server has room for `bytes` more: they are filled in place, in the blocks the
    // server's memory pool hands out.
    static void WriteRequested(pa_stream* stream, std::size_t bytes, void* self) {
        auto& connection = *static_cast<TConnection*>(self);
        while (bytes >= SampleBytes) {
            void* data = nullptr;
            std::size_t size = bytes;
            if (pa_stream_begin_write(stream, &data, &size) < 0 || data == nullptr) {
                connection.Lose(Phrase("the sound server would not take the samples",
                                       pa_context_errno(connection.context_)));
                return;
            }
            // The server counts in whole samples of the stream's format; a block is aligned
            // for any type.
            size -= size % SampleBytes;
            if (size == 0) {
                pa_stream_cancel_write(stream);
                return;
            }
            assert(reinterpret_cast<std::uintptr_t>(data) % alignof(float) == 0);
            connection.fill_(std::span(static_cast<float*>(data), size / SampleBytes));
            if (pa_stream_write(stream, data, size, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
                connection.Lose(Phrase("the sound server would not take the samples",
                                       pa_context_errno(connection.context_)));
                return;
            }
            bytes -= size;
        }
    }

    // Tells of the end once, and only of a stream that had started: a start that fails is
    // told by its exception.
    void Lose(const std::string& why) {
        if (playing_ && !told_) {
            told_ = true;
            lost_(why);
        }
    }

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::chrono::steady_clock::time_point deadline_;
    bool deadlinePassed_ = false;
    // A start in the background: the format asked for, and when it is given up.
    TOutputFormat format_;
    pa_time_event* startDeadline_ = nullptr;
    bool starting_ = false;
    bool playing_ = false;
    bool told_ = false;
    TFill fill_;
    TStarted started_;
    TLost lost_;
};

std::string OutputProblem(const std::string& clientName, std::chrono::milliseconds limit) {
    try {
        TPulseOutput::TConnection connection(clientName, limit);
        connection.Connect();
        if (connection.DefaultOutput().empty()) {
            return "the sound server has no output to play to";
        }
        return {};
    } catch (const TSoundError& error) {
        return error.what();
    }
}

TPulseOutput::TPulseOutput(const TOutputFormat& format, TFill fill, TStarted started, TLost lost,
                           std::chrono::milliseconds limit)
    : connection_(std::make_unique<TConnection>(format.ClientName, limit)) {
    connection_->StartPlaying(format, std::move(fill), std::move(started), std::move(lost));
}

TPulseOutput::~TPulseOutput() = default;

} // namespace sound
