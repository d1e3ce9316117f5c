// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_platform.h"

#include "qt_timer.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <exception>
#include <string>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QByteArray>
#include <QColor>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QMetaObject>
#include <QObject>
#include <QPalette>
#include <QString>
#include <QThread>

namespace platform::qt {

namespace {

// The palette role that plays the part of each system colour. The scroll-bar track has no
// role of its own; the styles draw it in a shade between the button face and its shadow.
QPalette::ColorRole RoleOf(SystemColorIndex index) {
    switch (index) {
    case SystemColorIndex::siScrollBar:
        return QPalette::Midlight;
    case SystemColorIndex::siButtonFace:
        return QPalette::Button;
    case SystemColorIndex::siButtonShadow:
        return QPalette::Dark;
    case SystemColorIndex::siButtonHighlight:
        return QPalette::Light;
    case SystemColorIndex::siWindowFrame:
        return QPalette::Shadow;
    }
    assert(false && "Unknown system colour index");
    return QPalette::Button;
}

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// `factor`, a scale factor as the user writes it, rounded to the nearest whole number from
// MinZoom to MaxZoom (1.5 gives 2); `factor` itself where it is not a number.
QByteArray WholeFactor(const QByteArray& factor) {
    bool isNumber = false;
    const double value = factor.trimmed().toDouble(&isNumber);
    if (!isNumber || std::isnan(value)) {
        return factor;
    }
    return QByteArray::number(
        static_cast<int>(std::clamp(std::round(value), double{MinZoom}, double{MaxZoom})));
}

// Whether `factors` (as for WholeScaleFactors) ask for more than MaxZoom anywhere.
bool AboveMaxZoom(const QByteArray& factors) {
    for (const QByteArray& screen : factors.split(';')) {
        bool isNumber = false;
        const double value = screen.mid(screen.indexOf('=') + 1).trimmed().toDouble(&isNumber);
        if (isNumber && std::round(value) > MaxZoom) {
            return true;
        }
    }
    return false;
}

} // namespace

QByteArray WholeScaleFactors(const QByteArray& factors) {
    // "2", or one per screen: "1.5;2" or "HDMI-1=1.5;DP-1=2".
    QList<QByteArray> screens = factors.split(';');
    for (QByteArray& screen : screens) {
        const qsizetype named = screen.indexOf('=');
        screen = screen.left(named + 1) + WholeFactor(screen.mid(named + 1));
    }
    return screens.join(';');
}

std::string FollowDesktopZoom() {
    assert(QCoreApplication::instance() == nullptr);
    qunsetenv("QT_ENABLE_HIGHDPI_SCALING");
    // Qt would take the font DPI for the screen's scale factor too; our texts are in pixels,
    // so it has nothing to change in the window.
    qunsetenv("QT_FONT_DPI");
    // Qt's own rounding of the factor it takes from the screen, and the user's factors
    // rounded alike, so that every client pixel is a square of whole screen pixels.
    qunsetenv("QT_SCALE_FACTOR_ROUNDING_POLICY");
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::Round);
    std::string capped;
    for (const char* variable : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS"}) {
        if (qEnvironmentVariableIsSet(variable)) {
            const QByteArray factors = qgetenv(variable);
            if (AboveMaxZoom(factors)) {
                capped += (capped.empty() ? "" : ", ") + std::string(variable) + "=" +
                          factors.toStdString();
            }
            qputenv(variable, WholeScaleFactors(factors));
        }
    }
    return capped;
}

void SetDisplayZoom(int zoom) {
    // Qt reads these once, when the application object is created.
    assert(QCoreApplication::instance() == nullptr);
    assert(zoom >= 1);
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    // A whole factor keeps every pixel a square of whole screen pixels.
    if (zoom == 1) {
        qunsetenv("QT_SCALE_FACTOR");
    } else {
        qputenv("QT_SCALE_FACTOR", QByteArray::number(zoom));
    }
}

void DisableDisplayScaling() {
    SetDisplayZoom(1);
}

TQtPlatform::TQtPlatform() : deferredBoxes_(std::make_unique<QObject>()) {
    assert(qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr &&
           "The Qt platform needs a QApplication");
}

TQtPlatform::~TQtPlatform() = default;

std::unique_ptr<ITimer> TQtPlatform::CreateTimer() {
    return std::make_unique<TQtTimer>(*this);
}

void TQtPlatform::ProcessMessages() {
    QAbstractEventDispatcher* const dispatcher = QAbstractEventDispatcher::instance();
    assert(dispatcher != nullptr);
    const QDeadlineTimer deadline(MessagePumpLimit);
    for (;;) {
        // Inside a handler that Qt called for a posted event, the dispatcher takes the
        // events that were already waiting for delivered, so they are sent explicitly.
        QCoreApplication::sendPostedEvents();
        if (!dispatcher->processEvents(QEventLoop::AllEvents) || deadline.hasExpired()) {
            break;
        }
    }
}

void TQtPlatform::Sleep(std::chrono::milliseconds duration) {
    assert(duration.count() >= 0);
    QThread::msleep(static_cast<unsigned long>(duration.count()));
}

TColor TQtPlatform::SystemColor(SystemColorIndex index) const {
    const QColor color = QApplication::palette().color(QPalette::Active, RoleOf(index));
    return RGB(static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
               static_cast<std::uint8_t>(color.blue()));
}

void TQtPlatform::ShowErrorBox(std::string_view message) {
    if (IsPainting()) {
        QMetaObject::invokeMethod(
            deferredBoxes_.get(), [this, text = std::string(message)] { ShowErrorBoxNow(text); },
            Qt::QueuedConnection);
        return;
    }
    ShowErrorBoxNow(message);
}

std::unique_ptr<QMessageBox> TQtPlatform::MakeErrorBox(std::string_view message) {
    return std::make_unique<QMessageBox>(
        QMessageBox::Critical, QGuiApplication::applicationDisplayName(), ToQString(message),
        QMessageBox::Ok, QApplication::activeWindow());
}

void TQtPlatform::RunGuarded(const std::function<void()>& handler) noexcept {
    if (guard_) {
        guard_(handler);
    } else {
        DefaultGuard(handler);
    }
}

void TQtPlatform::ShowErrorBoxNow(std::string_view message) {
    if (errorBoxSink_) {
        errorBoxSink_(message);
        return;
    }
    MakeErrorBox(message)->exec();
}

void TQtPlatform::DefaultGuard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowErrorBox(error.what());
    }
}

} // namespace platform::qt
