// SPDX-License-Identifier: GPL-3.0-or-later
// Orvex: one window that shows, live, the spectrum of a synthesised tone.

#include "startup.h"

int main(int argc, char** argv) {
    return app::RunOrvex(argc, argv);
}
