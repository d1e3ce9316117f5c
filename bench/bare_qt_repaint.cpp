// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for the program's CPU use: a bare Qt program that does nothing but repaint a
// 512 x 241 picture every 64 ms, as the spectrum display does, with nothing computed or drawn
// by us. bench/app_metrics.sh runs it beside Orvex.

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int Width = 512;
constexpr int Height = 241;
constexpr int IntervalMs = 64;

class TRepaintWidget : public QWidget {
public:
    TRepaintWidget() : picture_(Width, Height, QImage::Format_RGB32) {
        picture_.fill(Qt::black);
        setFixedSize(Width, Height);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setWindowTitle(QStringLiteral("Bare repaint"));
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(IntervalMs);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { update(); });
        timer_.start();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, picture_);
    }

private:
    QImage picture_;
    QTimer timer_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    TRepaintWidget widget;
    widget.show();
    return QApplication::exec();
}
