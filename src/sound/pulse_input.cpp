// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulse_input.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <utility>

#include <pulse/pulseaudio.h>
#include <unistd.h>

namespace sound {
namespace {

std::string Phrase(const std::string& what, int error) {
    return what + " (" + pa_strerror(error) + ")";
}

constexpr std::uint32_t SampleBytes = sizeof(float);
// Lets the server choose a buffer attribute.
constexpr std::uint32_t ServerChooses = std::numeric_limits<std::uint32_t>::max();
// The server's own name for whatever its default input is at the time.
constexpr const char* DefaultInputName = "@DEFAULT_SOURCE@";

// Whether a stream's properties say it is one of this process's own: the server copies its
// client's properties, the process id among them, into each of its streams.
bool OwnStream(const pa_proplist* properties) {
    const char* const process = pa_proplist_gets(properties, PA_PROP_APPLICATION_PROCESS_ID);
    return process != nullptr && std::to_string(getpid()) == process;
}

using TMicroseconds = std::chrono::microseconds;

pa_usec_t Remaining(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<TMicroseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<pa_usec_t>(std::max(left.count(), TMicroseconds::rep{0}));
}

// Inputs that share a description (three null outputs are each "Null Output") are told apart
// by their names, so that no two read alike in a menu or to a screen reader.
void MakeDescriptionsDistinct(std::vector<TInputDevice>& devices) {
    std::map<std::string, int> uses;
    for (const TInputDevice& device : devices) {
        ++uses[device.Description];
    }
    for (TInputDevice& device : devices) {
        if (uses[device.Description] > 1) {
            device.Description += " (" + device.Name + ")";
        }
    }
}

} // namespace

std::vector<TInputDevice> ListInputs(const std::string& clientName, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const std::unique_ptr<pa_mainloop, void (*)(pa_mainloop*)> loop(pa_mainloop_new(),
                                                                     &pa_mainloop_free);
    if (loop == nullptr) {
        throw TSoundError("the sound client could not start");
    }
    const std::unique_ptr<pa_context, void (*)(pa_context*)> context(
        pa_context_new(pa_mainloop_get_api(loop.get()), clientName.c_str()), [](pa_context* c) {
            pa_context_disconnect(c);
            pa_context_unref(c);
        });
    if (context == nullptr) {
        throw TSoundError("the sound client could not start");
    }
    if (pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        throw TSoundError(Phrase("no sound server answers", pa_context_errno(context.get())));
    }
    struct TListing {
        std::vector<TInputDevice> devices;
        int end = 0; // 1 once listed, -1 if the server would not list them
    } listing;
    std::unique_ptr<pa_operation, void (*)(pa_operation*)> asking(nullptr, &pa_operation_unref);
    while (listing.end == 0) {
        const pa_context_state_t state = pa_context_get_state(context.get());
        if (!PA_CONTEXT_IS_GOOD(state)) {
            throw TSoundError(Phrase("no sound server answers", pa_context_errno(context.get())));
        }
        if (state == PA_CONTEXT_READY && asking == nullptr) {
            asking.reset(pa_context_get_source_info_list(
                context.get(),
                [](pa_context*, const pa_source_info* info, int end, void* self) {
                    auto& listing = *static_cast<TListing*>(self);
                    if (end != 0) {
                        listing.end = end > 0 ? 1 : -1;
                    } else if (info != nullptr) {
                        listing.devices.push_back(
                            {info->name, info->description != nullptr ? info->description : info->name,
                             info->monitor_of_sink != PA_INVALID_INDEX});
                    }
                },
                &listing));
            if (asking == nullptr) {
                break;
            }
        }
        const pa_usec_t left = Remaining(deadline);
        if (left == 0) {
            throw TSoundError("the sound server does not answer");
        }
        const auto wait = static_cast<int>(std::min<pa_usec_t>(left, std::numeric_limits<int>::max()));
        if (pa_mainloop_prepare(loop.get(), wait) < 0 || pa_mainloop_poll(loop.get()) < 0 ||
            pa_mainloop_dispatch(loop.get()) < 0) {
            throw TSoundError("the sound client stopped");
        }
    }
    if (listing.end != 1) {
        throw TSoundError(Phrase("the sound server would not list its inputs",
                                 pa_context_errno(context.get())));
    }
    MakeDescriptionsDistinct(listing.devices);
    return listing.devices;
}

// The connection to the server with an event thread of its own (a threaded main loop), and
// the stream once one records. The callbacks run on the loop's thread with the loop's lock
// held; the destructor takes the lock itself.
class TPulseInput::TConnection {
public:
    TConnection(const TInputFormat& format, const std::string& device, TReceive receive,
                TStarted started, TLost lost, std::chrono::milliseconds limit)
        : loop_(pa_threaded_mainloop_new()), format_(format), device_(device),
          receive_(std::move(receive)), started_(std::move(started)), lost_(std::move(lost)),
          deadline_(std::chrono::steady_clock::now() + limit) {
        assert(format.SampleRate > 0 && format.FragmentSamples > 0);
        if (loop_ != nullptr) {
            context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), format.ClientName.c_str());
        }
    }

    ~TConnection() {
        if (loop_ == nullptr) {
            return;
        }
        pa_threaded_mainloop_lock(loop_);
        EndStartDeadline();
        DropStream();
        if (context_ != nullptr) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_set_subscribe_callback(context_, nullptr, nullptr);
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

    // Starts connecting in the background: the loop's callbacks take each step as the server
    // answers (the input's name, whether it is a monitor we may not record, the stream), and
    // `started` is told how it ended.
    void Start() {
        if (loop_ == nullptr || context_ == nullptr) {
            throw TSoundError("the sound client could not start");
        }
        starting_ = true;
        pa_context_set_state_callback(context_, &ContextChanged, this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            throw TSoundError(Phrase("no sound server answers", pa_context_errno(context_)));
        }
        // The loop's thread is not running yet, so nothing needs its lock here.
        timeval when{};
        pa_timeval_add(pa_gettimeofday(&when), Remaining(deadline_));
        pa_mainloop_api* const api = pa_threaded_mainloop_get_api(loop_);
        startDeadline_ = api->time_new(api, &when, &StartDeadlinePassed, this);
        if (pa_threaded_mainloop_start(loop_) < 0) {
            throw TSoundError("the sound client could not start its thread");
        }
    }

private:
    static void ContextChanged(pa_context* context, void* self) {
        auto& connection = *static_cast<TConnection*>(self);
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY && connection.starting_ && !connection.asked_) {
            connection.asked_ = true;
            connection.Ask(pa_context_get_source_info_by_name(
                context, connection.device_.empty() ? DefaultInputName : connection.device_.c_str(),
                &SourceFound, self));
        } else if (!PA_CONTEXT_IS_GOOD(state)) {
            const int error = pa_context_errno(context);
            connection.Fail(Phrase("no sound server answers", error));
            connection.Lose(Phrase("the sound server went away", error));
        }
    }

    // An operation asked of the server: its answer comes to its callback, or the start fails.
    void Ask(pa_operation* operation) {
        if (operation == nullptr) {
            Fail(Phrase("the sound server would not answer", pa_context_errno(context_)));
            return;
        }
        pa_operation_unref(operation);
    }

    // The input asked for, by its name: which source it is, and whether it is a monitor.
    static void SourceFound(pa_context*, const pa_source_info* info, int end, void* self) {
        auto& connection = *static_cast<TConnection*>(self);
        if (!connection.starting_) {
            return;
        }
        if (info != nullptr) {
            connection.source_ = info->name;
            connection.monitorOf_ = info->monitor_of_sink;
            return;
        }
        if (end < 0 || connection.source_.empty()) {
            connection.Fail(connection.device_.empty()
                                ? std::string("the sound server has no input")
                                : "the sound server has no input named \"" + connection.device_ + "\"");
        } else if (connection.monitorOf_ != PA_INVALID_INDEX) {
            // A monitor: first whether one of our own streams plays to its output.
            connection.Ask(pa_context_get_sink_input_info_list(connection.context_,
                                                               &StartingOverStream, self));
        } else {
            connection.OpenStream();
        }
    }

    // Whether a stream playing to an output is ours and plays to the output we would record.
    bool FeedsBack(const pa_sink_input_info& info) const {
        return monitorOf_ != PA_INVALID_INDEX && info.sink == monitorOf_ && OwnStream(info.proplist);
    }

    static void StartingOverStream(pa_context*, const pa_sink_input_info* info, int end, void* self) {
        auto& connection = *static_cast<TConnection*>(self);
        if (!connection.starting_) {
            return;
        }
        if (info != nullptr) {
            connection.refused_ = connection.refused_ || connection.FeedsBack(*info);
        } else if (end < 0) {
            connection.Fail(Phrase("the sound server would not list its streams",
                                   pa_context_errno(connection.context_)));
        } else if (connection.refused_) {
            connection.Fail(FeedbackRefusal);
        } else {
            connection.OpenStream();
        }
    }

    // On the loop's thread, once the input is known: asks the server for the stream, and to
    // hear of streams that start playing (or move) while it records a monitor.
    void OpenStream() {
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE,
                                  static_cast<std::uint32_t>(format_.SampleRate), 1};
        stream_ = pa_stream_new(context_, "Live input", &spec, nullptr);
        if (stream_ == nullptr) {
            Fail(Phrase("the sound server would not make a stream", pa_context_errno(context_)));
            return;
        }
        pa_stream_set_state_callback(stream_, &StreamChanged, this);
        pa_stream_set_read_callback(stream_, &Readable, this);
        pa_buffer_attr buffer{};
        buffer.maxlength = ServerChooses;
        buffer.tlength = ServerChooses;
        buffer.prebuf = ServerChooses;
        buffer.minreq = ServerChooses;
        buffer.fragsize = static_cast<std::uint32_t>(format_.FragmentSamples) * SampleBytes;
        // The input recorded stays that input: one that goes away ends the recording rather
        // than quietly moving it to another.
        const auto flags =
            static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
        if (pa_stream_connect_record(stream_, source_.c_str(), &buffer, flags) < 0) {
            Fail(Phrase("the sound server would not record the input", pa_context_errno(context_)));
            return;
        }
        if (monitorOf_ != PA_INVALID_INDEX) {
            pa_context_set_subscribe_callback(context_, &StreamsChanged, this);
            Ask(pa_context_subscribe(context_, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr));
        }
    }

    static void StreamChanged(pa_stream* stream, void* self) {
        auto& connection = *static_cast<TConnection*>(self);
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_READY && connection.starting_) {
            connection.starting_ = false;
            connection.recording_ = true;
            connection.EndStartDeadline();
            connection.started_({});
        } else if (!PA_STREAM_IS_GOOD(state)) {
            const int error = pa_context_errno(connection.context_);
            connection.Fail(Phrase("the sound server would not record the input", error));
            connection.Lose(Phrase("the input went away", error));
        }
    }

    // A stream started playing somewhere, or moved: if it is ours and plays to the output
    // recorded, the recording ends before it feeds back.
    static void StreamsChanged(pa_context* context, pa_subscription_event_type_t event,
                               std::uint32_t index, void* self) {
        const auto kind = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (kind != PA_SUBSCRIPTION_EVENT_NEW && kind != PA_SUBSCRIPTION_EVENT_CHANGE) {
            return;
        }
        pa_operation* const asking = pa_context_get_sink_input_info(
            context, index,
            [](pa_context*, const pa_sink_input_info* info, int, void* self) {
                auto& connection = *static_cast<TConnection*>(self);
                if (info != nullptr && connection.FeedsBack(*info)) {
                    connection.Lose(std::string("recording stopped: ") + FeedbackRefusal);
                }
            },
            self);
        if (asking != nullptr) {
            pa_operation_unref(asking);
        }
    }

    // The server has recorded more: everything there is handed on, in order.
    static void Readable(pa_stream* stream, std::size_t, void* self) {
        auto& connection = *static_cast<TConnection*>(self);
        while (pa_stream_readable_size(stream) > 0) {
            const void* data = nullptr;
            std::size_t size = 0;
            if (pa_stream_peek(stream, &data, &size) < 0) {
                connection.Lose(Phrase("the sound server would not hand over the samples",
                                       pa_context_errno(connection.context_)));
                return;
            }
            if (size == 0) {
                return;
            }
            if (!connection.told_) {
                connection.Hand(static_cast<const char*>(data), size);
            }
            pa_stream_drop(stream);
        }
    }

    // Hands on `bytes` of samples; none (a gap the server reports) as that much silence. The
    // server's blocks need not be aligned for floats, so they go through a buffer of ours.
    void Hand(const char* data, std::size_t bytes) {
        std::array<float, 1024> block;
        for (std::size_t done = 0; done + SampleBytes <= bytes;) {
            const std::size_t count = std::min(block.size(), (bytes - done) / SampleBytes);
            if (data == nullptr) {
                std::fill_n(block.begin(), count, 0.0f);
            } else {
                std::memcpy(block.data(), data + done, count * SampleBytes);
            }
            receive_(std::span<const float>(block.data(), count));
            done += count * SampleBytes;
        }
    }

    static void StartDeadlinePassed(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
        static_cast<TConnection*>(self)->Fail("the sound server does not answer");
    }

    // On the loop's thread: a start still under way has failed. It is told once, and nothing
    // more happens on the connection.
    void Fail(const std::string& why) {
        if (!starting_) {
            return;
        }
        starting_ = false;
        EndStartDeadline();
        DropStream();
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_set_subscribe_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        started_(why);
    }

    // Tells of the end once, and only of a recording that had started; nothing more is
    // handed on after it.
    void Lose(const std::string& why) {
        if (recording_ && !told_) {
            told_ = true;
            lost_(why);
        }
    }

    // With the lock held, or on the loop's thread.
    void DropStream() {
        if (stream_ != nullptr) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_read_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
    }

    void EndStartDeadline() {
        if (startDeadline_ != nullptr) {
            pa_mainloop_api* const api = pa_threaded_mainloop_get_api(loop_);
            api->time_free(startDeadline_);
            startDeadline_ = nullptr;
        }
    }

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    TInputFormat format_;
    std::string device_;
    TReceive receive_;
    TStarted started_;
    TLost lost_;
    std::chrono::steady_clock::time_point deadline_;
    pa_time_event* startDeadline_ = nullptr;
    // The input found by its name, and the output it monitors (PA_INVALID_INDEX for none).
    std::string source_;
    std::uint32_t monitorOf_ = PA_INVALID_INDEX;
    bool asked_ = false;
    bool refused_ = false;
    bool starting_ = false;
    bool recording_ = false;
    bool told_ = false;
};

TPulseInput::TPulseInput(const TInputFormat& format, const std::string& device, TReceive receive,
                         TStarted started, TLost lost, std::chrono::milliseconds limit)
    : connection_(std::make_unique<TConnection>(format, device, std::move(receive),
                                                std::move(started), std::move(lost), limit)) {
    connection_->Start();
}

TPulseInput::~TPulseInput() = default;

} // namespace sound
