// Orvex: one window that shows, live, the spectrum of a synthesised tone.

#include "platform/qt/qt_platform.h"
#include "spectrum_form.h"

#include <QApplication>

int main(int argc, char** argv) {
    platform::qt::DisableDisplayScaling();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvex"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orvex.Orvex"));

    platform::qt::TQtPlatform platform;
    app::TSpectrumForm form(platform);
    form.show();
    return QApplication::exec();
}
