// SPDX-License-Identifier: GPL-3.0-or-later
// Test main for the tests of the window: the application object exists for the whole run,
// set up as the program sets it up (device pixels, application name).

#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS(); // listing needs no display
    }
    platform::qt::DisableDisplayScaling();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvex"));
    return RUN_ALL_TESTS();
}
