// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/color.h"
#include "platform/qt/qt_platform.h"
#include "platform/timer.h"
#include "support/qt_application.h"

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QObject>
#include <QPalette>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using platform::ITimer;
using platform::RGB;
using platform::SystemColorIndex;
using platform::qt::TQtPlatform;

// Upper bound for anything the event loop should do soon; only a broken build waits it out.
constexpr int PatienceMs = 60000; // only a hang waits this out

// A platform whose error boxes are recorded instead of shown.
struct TRecordingPlatform {
    TQtPlatform platform;
    std::vector<std::string> errorBoxes;

    TRecordingPlatform() {
        platform.SetErrorBoxSink(
            [this](std::string_view message) { errorBoxes.emplace_back(message); });
    }
};

// Queues `call` on the Qt event loop, behind the events already waiting.
void Post(QObject& context, std::function<void()> call) {
    QMetaObject::invokeMethod(&context, std::move(call), Qt::QueuedConnection);
}

TEST(QtMessagePump, ProcessMessagesRunsPostedEventsAndThoseTheyPostThenReturns) {
    TRecordingPlatform qt;
    QObject context;
    std::vector<int> order;
    Post(context, [&] {
        order.push_back(1);
        Post(context, [&] { order.push_back(3); });
    });
    Post(context, [&] { order.push_back(2); });
    qt.platform.ProcessMessages();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(QtMessagePump, ProcessMessagesInsideAHandlerRunsTheOtherWaitingEvents) {
    TRecordingPlatform qt;
    QObject context;
    std::vector<std::string> order;
    Post(context, [&] {
        order.emplace_back("handler starts");
        qt.platform.ProcessMessages();
        order.emplace_back("handler ends");
    });
    Post(context, [&] { order.emplace_back("waiting event"); });
    qt.platform.ProcessMessages();
    EXPECT_EQ(order, (std::vector<std::string>{"handler starts", "waiting event", "handler ends"}));
}

TEST(QtMessagePump, ProcessMessagesInsideAHandlerDeliversADueTick) {
    TRecordingPlatform qt;
    QObject context;
    const std::unique_ptr<ITimer> timer = qt.platform.CreateTimer();
    std::vector<std::string> order;
    timer->SetOnTimer([&] { order.emplace_back("tick"); });
    timer->SetInterval(20ms);
    timer->Enable();
    Post(context, [&] {
        order.emplace_back("handler starts");
        qt.platform.Sleep(30ms);
        qt.platform.ProcessMessages();
        order.emplace_back("handler ends");
    });
    qt.platform.ProcessMessages();
    EXPECT_EQ(order, (std::vector<std::string>{"handler starts", "tick", "handler ends"}));
}

TEST(QtMessagePump, ProcessMessagesInsideATickDeliversAnotherTimersDueTickAndPostedEvents) {
    TRecordingPlatform qt;
    QObject context;
    const std::unique_ptr<ITimer> first = qt.platform.CreateTimer();
    const std::unique_ptr<ITimer> second = qt.platform.CreateTimer();
    std::vector<std::string> order;
    first->SetOnTimer([&] {
        first->Disable();
        order.emplace_back("first starts");
        Post(context, [&] { order.emplace_back("posted"); });
        second->SetInterval(5ms);
        second->Enable();
        qt.platform.Sleep(20ms);
        qt.platform.ProcessMessages();
        order.emplace_back("first ends");
    });
    second->SetOnTimer([&] {
        second->Disable();
        order.emplace_back("second");
    });
    first->SetInterval(5ms);
    first->Enable();
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() >= 4; }, PatienceMs));
    EXPECT_EQ(order, (std::vector<std::string>{"first starts", "posted", "second", "first ends"}));
}

TEST(QtMessagePump, SleepDispatchesNothing) {
    TRecordingPlatform qt;
    QObject context;
    bool ran = false;
    Post(context, [&] { ran = true; });
    qt.platform.Sleep(1ms);
    EXPECT_FALSE(ran);
    qt.platform.ProcessMessages();
    EXPECT_TRUE(ran);
}

TEST(QtErrors, AnErrorEscapingATickGoesToTheErrorBoxAndTicksGoOn) {
    TRecordingPlatform qt;
    const std::unique_ptr<ITimer> timer = qt.platform.CreateTimer();
    int ticks = 0;
    timer->SetOnTimer([&] {
        if (++ticks == 1) {
            throw std::runtime_error("Floating point overflow");
        }
    });
    timer->SetInterval(5ms);
    timer->Enable();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, PatienceMs));
    EXPECT_EQ(qt.errorBoxes, std::vector<std::string>{"Floating point overflow"});
}

TEST(QtErrors, AnInstalledGuardRunsEveryTickAndSeesItsErrors) {
    TRecordingPlatform qt;
    std::vector<std::string> seen;
    qt.platform.SetHandlerGuard([&](const std::function<void()>& handler) {
        try {
            handler();
            seen.emplace_back("ok");
        } catch (const std::exception& error) {
            seen.emplace_back(std::string("caught ") + error.what());
        }
    });
    const std::unique_ptr<ITimer> timer = qt.platform.CreateTimer();
    int ticks = 0;
    timer->SetOnTimer([&] {
        if (++ticks == 2) {
            throw std::runtime_error("Invalid floating point operation");
        }
    });
    timer->SetInterval(5ms);
    timer->Enable();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, PatienceMs));
    timer->Disable();
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0], "ok");
    EXPECT_EQ(seen[1], "caught Invalid floating point operation");
    EXPECT_EQ(seen[2], "ok");
    EXPECT_TRUE(qt.errorBoxes.empty());
}

TEST(QtErrors, ClearingTheGuardRestoresTheErrorBox) {
    TRecordingPlatform qt;
    qt.platform.SetHandlerGuard([](const std::function<void()>&) {});
    qt.platform.SetHandlerGuard({});
    qt.platform.RunGuarded([] { throw std::runtime_error("Floating point division by zero"); });
    EXPECT_EQ(qt.errorBoxes, std::vector<std::string>{"Floating point division by zero"});
}

TEST(QtErrors, ErrorBoxIsCriticalWithOneOkButtonCaptionedWithTheApplicationName) {
    const std::unique_ptr<QMessageBox> box =
        TQtPlatform::MakeErrorBox("Окно: Floating point overflow.");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(box->windowTitle().toStdString(), "Orvex");
    EXPECT_EQ(box->text().toStdString(), "Окно: Floating point overflow.");
    EXPECT_FALSE(box->isVisible());
}

TEST(QtSystemColors, ComeFromTheApplicationPaletteAsBlueGreenRed) {
    const QPalette original = QApplication::palette();
    QPalette palette = original;
    palette.setColor(QPalette::Active, QPalette::Midlight, QColor(1, 2, 3));
    palette.setColor(QPalette::Active, QPalette::Button, QColor(10, 20, 30));
    palette.setColor(QPalette::Active, QPalette::Dark, QColor(40, 50, 60));
    palette.setColor(QPalette::Active, QPalette::Light, QColor(70, 80, 90));
    palette.setColor(QPalette::Active, QPalette::Shadow, QColor(200, 100, 0));
    QApplication::setPalette(palette);

    TRecordingPlatform qt;
    EXPECT_EQ(qt.platform.SystemColor(SystemColorIndex::siScrollBar), 0x00030201);
    EXPECT_EQ(qt.platform.SystemColor(SystemColorIndex::siButtonFace), RGB(10, 20, 30));
    EXPECT_EQ(qt.platform.SystemColor(SystemColorIndex::siButtonShadow), RGB(40, 50, 60));
    EXPECT_EQ(qt.platform.SystemColor(SystemColorIndex::siButtonHighlight), RGB(70, 80, 90));
    EXPECT_EQ(qt.platform.SystemColor(SystemColorIndex::siWindowFrame), 0x000064C8);
    EXPECT_EQ(platform::ResolveColor(qt.platform, platform::scButtonFace), RGB(10, 20, 30));

    QApplication::setPalette(original);
}

} // namespace
