// SPDX-License-Identifier: GPL-3.0-or-later
#include "thread_handover.h"

#include <memory>
#include <utility>

#include <QMetaObject>
#include <QObject>

#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer's interface for orders it cannot see and code it must not watch, which its
// runtime exports (as <sanitizer/tsan_interface.h> declares the first two).
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
extern "C" void AnnotateIgnoreWritesBegin(const char* file, int line);
extern "C" void AnnotateIgnoreWritesEnd(const char* file, int line);
#endif

namespace app {
namespace {

#if defined(__SANITIZE_THREAD__)
void OrderBefore(void* token) {
    __tsan_release(token);
}

void OrderAfter(void* token) {
    __tsan_acquire(token);
}

// While it lives, ThreadSanitizer takes none of this thread's reads and writes into account:
// those Qt's template code makes while posting (the queued functor's construction) and the
// C library calls under it (the queue's growth), which only Qt's lock orders.
class TUnwatched {
public:
    TUnwatched() { AnnotateIgnoreWritesBegin(__FILE__, __LINE__); }
    ~TUnwatched() { AnnotateIgnoreWritesEnd(__FILE__, __LINE__); }
    TUnwatched(const TUnwatched&) = delete;
    TUnwatched& operator=(const TUnwatched&) = delete;
};
#else
void OrderBefore(void*) {}
void OrderAfter(void*) {}

class TUnwatched {
public:
    TUnwatched() {}
};
#endif

// Frees a parcel, after its posting even when Qt drops the call unheard.
struct TParcelRelease {
    void operator()(std::function<void()>* parcel) const {
        OrderAfter(parcel);
        delete parcel;
    }
};

} // namespace

void PostToThreadOf(QObject& context, std::function<void()> call) {
    // The queued call alone owns the parcel, so the posting thread frees none of it: what the
    // call leaves behind is freed on the call's own thread.
    std::unique_ptr<std::function<void()>, TParcelRelease> parcel(
        new std::function<void()>(std::move(call)));
    OrderBefore(parcel.get());
    const TUnwatched unwatched;
    QMetaObject::invokeMethod(
        &context,
        [parcel = std::move(parcel)] {
            OrderAfter(parcel.get());
            (*parcel)();
        },
        Qt::QueuedConnection);
}

} // namespace app
