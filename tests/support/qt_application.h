// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one QApplication of a Qt test program, created before the first test and destroyed
// after the last. Include this header in exactly one source file of the program.

#include <memory>

#include <QApplication>
#include <gtest/gtest.h>

namespace support {

class TQtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        application_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setApplicationDisplayName(QStringLiteral("Orvex"));
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "orvex-qt-test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

inline ::testing::Environment* const QtApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new TQtApplicationEnvironment);

} // namespace support
