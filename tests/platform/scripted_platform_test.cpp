// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/scripted/scripted_control_host.h"
#include "platform/scripted/scripted_platform.h"
#include "support/platform_printers.h"

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using platform::MouseButton;
using platform::PaintReason;
using platform::TPoint;
using platform::TRect;
using platform::scripted::TScriptedControlHost;
using platform::scripted::TScriptedPlatform;

// A control that records what reaches it.
class TRecordingControl : public platform::ICustomControl {
public:
    void SetHost(platform::IControlHost* host) override { host_ = host; }
    void SetClientSize(std::int32_t width, std::int32_t height) override {
        sizes.push_back({width, height});
    }
    void Paint(platform::IWindowCanvas&, PaintReason reason) override {
        events.push_back(reason == PaintReason::prInvalidated ? "paint" : "requested paint");
    }
    void MouseDown(MouseButton, TPoint point) override { events.push_back("down " + Text(point)); }
    void MouseMove(TPoint point) override { events.push_back("move " + Text(point)); }
    void MouseUp(MouseButton, TPoint point) override { events.push_back("up " + Text(point)); }
    void MouseLeave() override { events.push_back("leave"); }
    bool MouseWheel(std::int32_t delta, TPoint) override {
        events.push_back("wheel " + std::to_string(delta));
        return true;
    }
    bool KeyDown(platform::NavigationKey) override { return false; }
    void SetFocusMark(bool) override {}

    platform::IControlHost* host_ = nullptr;
    std::vector<TPoint> sizes;
    std::vector<std::string> events;

private:
    static std::string Text(TPoint p) { return std::to_string(p.x) + "," + std::to_string(p.y); }
};

TEST(ScriptedTimer, PeriodBoundariesStayOnMultiplesOfTheIntervalWhenTicksAreMissed) {
    TScriptedPlatform platform;
    auto timer = platform.CreateTimer();
    std::vector<std::chrono::milliseconds> ticks;
    timer->SetOnTimer([&] {
        ticks.push_back(platform.Now());
        if (ticks.size() == 1) {
            platform.Sleep(300ms); // a slow handler: four more periods pass meanwhile
        }
    });
    timer->SetInterval(64ms);
    timer->Enable();
    platform.RunFor(500ms);
    // The one tick outstanding when the slow handler returned at 364 ms comes at once; the
    // next ones keep to multiples of 64 ms rather than to periods from 364 ms.
    EXPECT_EQ(ticks, (std::vector{64ms, 364ms, 384ms, 448ms}));
}

TEST(ScriptedMessageLoop, DispatchesPostedThenPaintsThenTicks) {
    TScriptedPlatform platform;
    TRecordingControl control;
    TScriptedControlHost host(platform, control, {0, 0, 10, 10});
    auto timer = platform.CreateTimer();
    std::vector<std::string> order;
    timer->SetOnTimer([&] { order.push_back("tick"); });
    timer->SetInterval(10ms);
    timer->Enable();
    platform.Sleep(25ms); // the timer is due; two periods passed but one tick waits
    platform.Post([&] {
        order.push_back("first");
        host.PostPaintRequest();
    });
    platform.Post([&] { order.push_back("second"); });

    platform.ProcessMessages();
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "tick"}));
    EXPECT_EQ(control.events, (std::vector<std::string>{"requested paint", "paint"}))
        << "the posted request was queued behind 'second', the window's own paint "
           "comes after all posted messages";
    EXPECT_FALSE(host.NeedsPaint());
    EXPECT_EQ(platform.PostedCount(), 0u);
}

TEST(ScriptedMessageLoop, PumpingInsideAHandlerDispatchesTheRestOnce) {
    TScriptedPlatform platform;
    std::vector<std::string> order;
    platform.Post([&] {
        order.push_back("outer");
        platform.ProcessMessages();
        order.push_back("outer done");
    });
    platform.Post([&] { order.push_back("inner"); });
    platform.ProcessMessages();
    EXPECT_EQ(order, (std::vector<std::string>{"outer", "inner", "outer done"}));
}

TEST(ScriptedMessageLoop, AnEscapingErrorIsShownAndTheLoopGoesOn) {
    TScriptedPlatform platform;
    bool secondRan = false;
    platform.Post([] { throw std::runtime_error("Floating point division by zero"); });
    platform.Post([&] { secondRan = true; });
    platform.ProcessMessages();
    EXPECT_TRUE(secondRan);
    EXPECT_EQ(platform.ErrorBoxes(), (std::vector<std::string>{"Floating point division by zero"}));
}

TEST(ScriptedControlHost, MapsThePointerAndForwardsInput) {
    TScriptedPlatform platform;
    TRecordingControl control;
    {
        TScriptedControlHost host(platform, control, {15, 9, 157, 27});
        EXPECT_EQ(control.host_, &host);
        EXPECT_EQ(control.sizes, (std::vector<TPoint>{{142, 18}}));
        EXPECT_TRUE(host.NeedsPaint()) << "a new window needs painting";

        host.MouseDown(MouseButton::mbLeft, {3, 4});
        EXPECT_EQ(platform.Pointer(), (TPoint{18, 13}));
        platform.SetPointer({200, 5});
        EXPECT_EQ(host.PointerPosition(), (TPoint{185, -4}));

        host.MouseMove({-1, 2});
        host.MouseUp(MouseButton::mbLeft, {-1, 2});
        host.MouseLeave();
        EXPECT_TRUE(host.MouseWheel(-120, {1, 1}));
        EXPECT_EQ(control.events, (std::vector<std::string>{"down 3,4", "move -1,2", "up -1,2",
                                                            "leave", "wheel -120"}));

        host.SetCapture();
        EXPECT_TRUE(host.HasCapture());
        host.ReleaseCapture();
        EXPECT_FALSE(host.HasCapture());

        host.PostPaintRequest();
    }
    EXPECT_EQ(control.host_, nullptr) << "the host detaches itself";
    platform.ProcessMessages(); // the destroyed host's paint request went with it
    EXPECT_EQ(control.events.size(), 5u);
}

} // namespace
