// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QObject;

namespace app {

// Runs `call` later on the thread `context` lives in, through Qt's queue of posted events,
// from any thread: how a worker hands its results to the window. Dropped unheard, as Qt
// drops it, if `context` is destroyed first. `call` must hold everything it needs by value;
// the caller keeps no reference to any of it.
//
// Under ThreadSanitizer, which cannot see the lock of Qt's queue (Qt is not instrumented),
// it also says that the call runs after everything the posting thread did before posting,
// and keeps Qt's own bookkeeping of the posting out of the picture; in every other build it
// is QMetaObject::invokeMethod with a queued connection.
void PostToThreadOf(QObject& context, std::function<void()> call);

} // namespace app
