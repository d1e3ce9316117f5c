// SPDX-License-Identifier: GPL-3.0-or-later
// The timer contract, held against every timer we have: the scripted one on its manual
// clock and the Qt one on the real event loop. The real loop may run on a loaded machine,
// so its cases wait for events rather than for set times, bound a tick only from below,
// and leave a period of margin wherever they count ticks after a pump.

#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/scripted/scripted_platform.h"
#include "platform/timer.h"
#include "support/qt_application.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QList>
#include <QObject>
#include <QTest>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using platform::IPlatform;
using platform::ITimer;
using std::chrono::milliseconds;

// How a driver's clock relates to the ticks it delivers.
enum class TClock : std::uint8_t {
    ckManual, // moves only when the test moves it, so a tick comes exactly when it falls due
    ckReal,   // the wall clock of a loaded machine: a tick may come any time after that
};

// The drivers live outside the anonymous namespace, so that ctest names the typed cases
// after them plainly (TimerContract.<case><TScriptedDriver>).

// The scripted platform, on its manual clock.
class TScriptedDriver {
public:
    static constexpr TClock Clock = TClock::ckManual;

    IPlatform& Platform() { return platform_; }
    milliseconds Now() const { return platform_.Now(); }
    // Lets the message loop run for `duration`.
    void RunFor(milliseconds duration) { platform_.RunFor(duration); }
    // Lets the message loop run until `done` holds; false if it never does.
    bool RunUntil(const std::function<bool()>& done) {
        for (milliseconds waited{0}; !done(); waited += Step) {
            if (waited >= Patience) {
                return false;
            }
            platform_.RunFor(Step);
        }
        return true;
    }
    const std::vector<std::string>& ErrorBoxes() const { return platform_.ErrorBoxes(); }

private:
    static constexpr milliseconds Step{1};
    // Longer than any case waits for a tick, shorter than the 60 s interval that stands
    // for "not in this test".
    static constexpr milliseconds Patience{10s};

    platform::scripted::TScriptedPlatform platform_;
};

// The Qt platform, on the real event loop; its error boxes are recorded, never shown.
class TQtDriver {
public:
    static constexpr TClock Clock = TClock::ckReal;

    TQtDriver() {
        platform_.SetErrorBoxSink(
            [this](std::string_view message) { errorBoxes_.emplace_back(message); });
    }

    IPlatform& Platform() { return platform_; }
    // Whole milliseconds since the driver was made, on the clock Qt's timers run on.
    milliseconds Now() const {
        return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start_);
    }
    // Lets the event loop run for at least `duration`.
    void RunFor(milliseconds duration) { QTest::qWait(static_cast<int>(duration.count())); }
    // Lets the event loop run until `done` holds; false if it does not within the patience.
    bool RunUntil(const std::function<bool()>& done) { return QTest::qWaitFor(done, PatienceMs); }
    const std::vector<std::string>& ErrorBoxes() const { return errorBoxes_; }

private:
    // Only a broken build waits this out.
    static constexpr int PatienceMs = 60000;

    platform::qt::TQtPlatform platform_;
    std::vector<std::string> errorBoxes_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

namespace {

// A tick never comes before it falls due; on a manual clock it comes exactly then.
template <typename TDriver>
void ExpectTickAt(milliseconds tick, milliseconds due) {
    if constexpr (TDriver::Clock == TClock::ckManual) {
        EXPECT_EQ(tick.count(), due.count()) << "tick time in ms";
    } else {
        EXPECT_GE(tick.count(), due.count()) << "tick time in ms";
    }
}

template <typename TDriver>
class TimerContract : public ::testing::Test {};

using TDrivers = ::testing::Types<TScriptedDriver, TQtDriver>;
TYPED_TEST_SUITE(TimerContract, TDrivers);

TYPED_TEST(TimerContract, NewTimerIsDisabledWithAOneSecondIntervalAndDoesNotTick) {
    TypeParam loop;
    const std::unique_ptr<ITimer> timer = loop.Platform().CreateTimer();
    EXPECT_FALSE(timer->IsEnabled());
    EXPECT_EQ(timer->Interval(), 1000ms);

    int ticks = 0;
    timer->SetOnTimer([&] { ++ticks; });
    timer->SetInterval(5ms);
    loop.RunFor(50ms);
    EXPECT_EQ(ticks, 0);
}

TYPED_TEST(TimerContract, TicksComeOneIntervalApartFromEnabling) {
    TypeParam loop;
    const std::unique_ptr<ITimer> timer = loop.Platform().CreateTimer();
    std::vector<milliseconds> ticks;
    timer->SetOnTimer([&] { ticks.push_back(loop.Now()); });
    timer->SetInterval(20ms);
    const milliseconds enabledAt = loop.Now();
    timer->Enable();
    EXPECT_TRUE(timer->IsEnabled());
    ASSERT_TRUE(loop.RunUntil([&] { return ticks.size() >= 3; }));
    for (std::size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE("tick " + std::to_string(k + 1));
        ExpectTickAt<TypeParam>(ticks[k], enabledAt + static_cast<int>(k + 1) * 20ms);
    }
}

TYPED_TEST(TimerContract, IntervalZeroNeverTicks) {
    struct TCase {
        const char* what;
        void (*configure)(IPlatform& platform, ITimer& timer);
    };
    constexpr TCase Cases[] = {
        {"set before enabling",
         [](IPlatform&, ITimer& timer) {
             timer.SetInterval(0ms);
             timer.Enable();
         }},
        {"set while a tick is due",
         [](IPlatform& platform, ITimer& timer) {
             timer.SetInterval(10ms);
             timer.Enable();
             platform.Sleep(30ms);
             timer.SetInterval(0ms);
         }},
    };
    TypeParam loop;
    for (const TCase& c : Cases) {
        SCOPED_TRACE(c.what);
        const std::unique_ptr<ITimer> timer = loop.Platform().CreateTimer();
        int ticks = 0;
        timer->SetOnTimer([&] { ++ticks; });
        c.configure(loop.Platform(), *timer);
        loop.RunFor(50ms);
        EXPECT_EQ(ticks, 0);
        EXPECT_TRUE(timer->IsEnabled());
    }
}

TYPED_TEST(TimerContract, DisablingDropsAnOutstandingTickAndEnablingStartsAFreshPeriod) {
    TypeParam loop;
    const std::unique_ptr<ITimer> timer = loop.Platform().CreateTimer();
    std::vector<milliseconds> ticks;
    timer->SetOnTimer([&] { ticks.push_back(loop.Now()); });
    timer->SetInterval(20ms);
    timer->Enable();
    loop.Platform().Sleep(50ms); // a tick falls due meanwhile
    timer->Disable();
    EXPECT_FALSE(timer->IsEnabled());
    loop.Platform().ProcessMessages();
    loop.RunFor(50ms);
    EXPECT_TRUE(ticks.empty());

    const milliseconds enabledAt = loop.Now();
    timer->Enable();
    ASSERT_TRUE(loop.RunUntil([&] { return !ticks.empty(); }));
    ExpectTickAt<TypeParam>(ticks[0], enabledAt + 20ms);
}

// The period is long enough that the next tick cannot fall due while the test pumps.
TYPED_TEST(TimerContract, ReaffirmingTheSettingsKeepsTheTickThatFellDue) {
    constexpr milliseconds Period{200};
    struct TCase {
        const char* what;
        void (*reaffirm)(ITimer& timer);
    };
    constexpr TCase Cases[] = {
        {"setting the interval it has", [](ITimer& timer) { timer.SetInterval(Period); }},
        {"enabling it again", [](ITimer& timer) { timer.Enable(); }},
    };
    TypeParam loop;
    for (const TCase& c : Cases) {
        SCOPED_TRACE(c.what);
        const std::unique_ptr<ITimer> timer = loop.Platform().CreateTimer();
        int ticks = 0;
        timer->SetOnTimer([&] { ++ticks; });
        timer->SetInterval(Period);
        timer->Enable();
        loop.Platform().Sleep(Period + Period / 4);
        c.reaffirm(*timer);
        loop.Platform().ProcessMessages();
        EXPECT_EQ(ticks, 1) << "restarting the period would have dropped the tick";
        EXPECT_EQ(timer->Interval(), Period);
        EXPECT_TRUE(timer->IsEnabled());
    }
}

TYPED_TEST(TimerContract, ChangingTheIntervalDropsAnOutstandingTickAndRestartsThePeriod) {
    TypeParam loop;
    const std::unique_ptr<ITimer> timer = loop.Platform().CreateTimer();
    std::vector<milliseconds> ticks;
    timer->SetOnTimer([&] { ticks.push_back(loop.Now()); });
    timer->SetInterval(20ms);
    timer->Enable();
    loop.Platform().Sleep(50ms); // a tick falls due meanwhile
    timer->SetInterval(60s);
    loop.Platform().ProcessMessages();
    EXPECT_TRUE(ticks.empty());
    EXPECT_EQ(timer->Interval(), 60s);

    const milliseconds changedAt = loop.Now();
    timer->SetInterval(20ms); // the first tick comes 20 ms from now, not 60 s after enabling
    ASSERT_TRUE(loop.RunUntil([&] { return !ticks.empty(); }));
    ExpectTickAt<TypeParam>(ticks[0], changedAt + 20ms);
}

TYPED_TEST(TimerContract, TheHandlerMayReconfigureOrDestroyItsTimer) {
    enum class TFate : std::uint8_t { fKept, fDestroyed };
    struct TCase {
        const char* what;
        // Runs inside the handler on tick number `tick` (counted from 1).
        void (*act)(IPlatform& platform, std::unique_ptr<ITimer>& timer, int tick);
        int expectedTicks;
        TFate fate;
    };
    constexpr TCase Cases[] = {
        {"destroys it", [](IPlatform&, std::unique_ptr<ITimer>& timer, int) { timer.reset(); }, 1,
         TFate::fDestroyed},
        {"disables it", [](IPlatform&, std::unique_ptr<ITimer>& timer, int) { timer->Disable(); },
         1, TFate::fKept},
        {"clears its own handler",
         [](IPlatform&, std::unique_ptr<ITimer>& timer, int) { timer->SetOnTimer({}); }, 1,
         TFate::fKept},
        {"shortens its interval, then destroys it",
         [](IPlatform&, std::unique_ptr<ITimer>& timer, int tick) {
             if (tick == 1) {
                 timer->SetInterval(5ms);
             } else {
                 timer.reset();
             }
         },
         2, TFate::fDestroyed},
        {"destroys it from a nested tick",
         [](IPlatform& platform, std::unique_ptr<ITimer>& timer, int tick) {
             if (tick == 1) {
                 timer->SetInterval(5ms); // a restarted Qt timer may tick inside its own tick
                 platform.Sleep(20ms);
                 platform.ProcessMessages();
                 EXPECT_EQ(timer, nullptr) << "the nested tick should have run";
             } else {
                 timer.reset();
             }
         },
         2, TFate::fDestroyed},
    };
    TypeParam loop;
    for (const TCase& c : Cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<ITimer> timer = loop.Platform().CreateTimer();
        int ticks = 0;
        int handlersReturned = 0; // counted after the action, by a handler that must outlive it
        timer->SetOnTimer([&, act = c.act] {
            const int tick = ++ticks;
            act(loop.Platform(), timer, tick);
            ++handlersReturned;
        });
        timer->SetInterval(10ms);
        timer->Enable();
        ASSERT_TRUE(loop.RunUntil([&] { return ticks >= c.expectedTicks; }));
        loop.RunFor(50ms); // time for ticks that should not come
        EXPECT_EQ(ticks, c.expectedTicks);
        EXPECT_EQ(handlersReturned, ticks);
        EXPECT_EQ(timer ? TFate::fKept : TFate::fDestroyed, c.fate);
    }
    EXPECT_TRUE(loop.ErrorBoxes().empty());
}

// However many periods pass while the thread is busy, one tick is delivered. The period is
// long enough that the next tick cannot fall due while the test pumps.
TYPED_TEST(TimerContract, TicksNeverAccumulate) {
    TypeParam loop;
    const std::unique_ptr<ITimer> timer = loop.Platform().CreateTimer();
    int ticks = 0;
    timer->SetOnTimer([&] { ++ticks; });
    timer->SetInterval(200ms);
    timer->Enable();
    loop.Platform().Sleep(700ms);
    loop.Platform().ProcessMessages();
    EXPECT_EQ(ticks, 1);
}

// Records the receiver of every timer event of the GUI thread.
class TTimerEventSpy : public QObject {
public:
    TTimerEventSpy() { QCoreApplication::instance()->installEventFilter(this); }
    ~TTimerEventSpy() override { QCoreApplication::instance()->removeEventFilter(this); }
    TTimerEventSpy(const TTimerEventSpy&) = delete;
    TTimerEventSpy& operator=(const TTimerEventSpy&) = delete;

    QObject* LastReceiver() const { return lastReceiver_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Timer) {
            lastReceiver_ = watched;
        }
        return false;
    }

private:
    QObject* lastReceiver_ = nullptr;
};

TEST(QtTimer, TicksComeFromAPreciseQtTimer) {
    TQtDriver loop;
    const TTimerEventSpy spy;
    const std::unique_ptr<ITimer> timer = loop.Platform().CreateTimer();
    // Read inside the tick: the timer event being delivered is the spy's last one.
    QList<QAbstractEventDispatcher::TimerInfo> registered;
    timer->SetOnTimer([&] {
        registered = QAbstractEventDispatcher::instance()->registeredTimers(spy.LastReceiver());
    });
    // Qt runs a coarse timer of 20 ms or less as a precise one, so the interval is longer.
    timer->SetInterval(64ms);
    timer->Enable();
    ASSERT_TRUE(loop.RunUntil([&] { return !registered.isEmpty(); }));
    ASSERT_EQ(registered.size(), 1);
    EXPECT_EQ(registered[0].timerType, Qt::PreciseTimer);
    EXPECT_EQ(registered[0].interval, 64);
}

} // namespace
