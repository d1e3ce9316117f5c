// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

struct xcb_connection_t;

namespace app {

// The windowing system the program starts on, decided before the application object exists.
//
// Qt ends the process with a screenful of text when none of the platforms it tries can be
// opened, so each candidate that needs a device (X11, Wayland, the Linux framebuffer) is
// checked here first, in Qt's own order: the -platform option,
// else QT_QPA_PLATFORM, else Wayland where the session announces it and then X11 (a
// ';'-separated list, each entry with options after a ':'). The first candidate that can be
// opened is the one Qt is then told to use, alone, so that it never tries, fails and falls
// back with warnings of its own.
//
// An X11 display that passes the check stays connected until Release: a fresh server resets,
// or with -terminate exits, when its last client leaves, and would then refuse the
// connection Qt makes a moment later.
class TPlatformChoice {
public:
    TPlatformChoice(int argc, char** argv);
    ~TPlatformChoice();
    TPlatformChoice(const TPlatformChoice&) = delete;
    TPlatformChoice& operator=(const TPlatformChoice&) = delete;

    // Empty when a platform can be opened; otherwise the one line (without the program's
    // name) saying which platforms were tried and why each failed.
    const std::string& Problem() const { return problem_; }
    // The platform for Qt, with its options, such as "xcb" or "wayland"; empty with a problem.
    const std::string& Platform() const { return platform_; }

    // The arguments for the application object with -platform taken out, since Platform()
    // goes to Qt through QT_QPA_PLATFORM, which the option would override. The pointers
    // are argv's own; the vector ends with a null pointer, which the count leaves out.
    static std::vector<char*> ArgumentsWithoutPlatform(int argc, char** argv);

    // Hands the chosen platform to Qt. Call before the application object is created.
    void Apply() const;

    // Closes the connection the X11 check keeps open. Call once the application object
    // exists and holds a connection of its own.
    void Release();

private:
    std::string problem_;
    std::string platform_;
    xcb_connection_t* x11Connection_ = nullptr;
};

// Whether the Wayland compositor that WAYLAND_DISPLAY names has closed a connection this
// process holds to it. Qt's Wayland client may warn of what it cannot do on a closed
// connection before it notices that the compositor is gone.
bool WaylandCompositorHungUp();

} // namespace app
