// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform_choice.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <variant>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QPluginLoader>
#include <QString>
#include <QStringList>

// The X client library that Qt's own X11 platform uses.
#include <xcb/xcb.h>

namespace app {
namespace {

constexpr std::string_view X11PlatformName = "xcb";
constexpr std::string_view WaylandPlatformName = "wayland";
constexpr std::string_view FramebufferPlatformName = "linuxfb";
// The framebuffer devices Qt's linuxfb platform takes, in its order, when none is named.
constexpr const char* DefaultFramebuffers[] = {"/dev/fb0", "/dev/graphics/fb0"};
// What the Wayland client library connects to when WAYLAND_DISPLAY is not set.
constexpr auto DefaultWaylandDisplay = "wayland-0";

constexpr auto NoDisplayAdvice = "; set DISPLAY, or run scripts/run to see it on a virtual display";

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// Whether argv[i] is Qt's option `name` ("-platform"), which Qt also accepts with two dashes.
bool IsOption(std::string_view argument, std::string_view name) {
    if (argument.starts_with("--")) {
        argument.remove_prefix(1);
    }
    return argument == name;
}

// The value of Qt's command-line option `name`; the last one counts, as in Qt.
std::optional<std::string> OptionValue(int argc, char** argv, std::string_view name) {
    std::optional<std::string> value;
    for (int i = 1; i + 1 < argc; ++i) {
        if (IsOption(argv[i], name)) {
            value = argv[i + 1];
        }
    }
    return value;
}

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(separator), text.size());
        if (end > 0) {
            parts.emplace_back(text.substr(0, end));
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return parts;
}

// The platforms Qt would try, in its order, each with its options.
std::vector<std::string> Candidates(int argc, char** argv) {
    std::string chosen = OptionValue(argc, argv, "-platform").value_or(std::string());
    if (chosen.empty()) {
        chosen = EnvironmentValue("QT_QPA_PLATFORM");
    }
    if (!chosen.empty()) {
        return Split(chosen, ';');
    }
    std::vector<std::string> order;
    // Qt prefers a Wayland compositor that the session announces to its X11 default.
    if (!EnvironmentValue("WAYLAND_DISPLAY").empty() ||
        EnvironmentValue("XDG_SESSION_TYPE") == "wayland") {
        order.emplace_back(WaylandPlatformName);
    }
    order.emplace_back(X11PlatformName);
    return order;
}

// The folders Qt looks for platform plugins in.
QStringList PluginFolders(int argc, char** argv) {
    QStringList folders;
    if (const auto path = OptionValue(argc, argv, "-platformpluginpath")) {
        folders << QString::fromLocal8Bit(path->c_str());
    }
    const QString platformPath = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
    if (!platformPath.isEmpty()) {
        folders << platformPath;
    }
    const QStringList pluginPaths =
        qEnvironmentVariable("QT_PLUGIN_PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString& path : pluginPaths) {
        folders << path + QStringLiteral("/platforms");
    }
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
    folders << QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath() +
                   QStringLiteral("/platforms");
    return folders;
}

// Whether a platform plugin answering to `name` is installed. Only the plugins' metadata is
// read; nothing is loaded.
bool HasPlugin(const QStringList& folders, const QString& name) {
    for (const QString& folder : folders) {
        const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files);
        for (const QFileInfo& file : files) {
            const QJsonObject metaData = QPluginLoader(file.absoluteFilePath()).metaData();
            const QJsonArray keys = metaData.value(QStringLiteral("MetaData"))
                                        .toObject()
                                        .value(QStringLiteral("Keys"))
                                        .toArray();
            for (const auto& key : keys) {
                if (key.toString().compare(name, Qt::CaseInsensitive) == 0) {
                    return true;
                }
            }
        }
    }
    return false;
}

// Why the X11 display cannot be used, or nothing; on success `connection` is left open.
std::optional<std::string> X11Problem(int argc, char** argv, xcb_connection_t*& connection) {
    const std::string display =
        OptionValue(argc, argv, "-display").value_or(EnvironmentValue("DISPLAY"));
    if (display.empty()) {
        return "cannot open the display (DISPLAY is not set)";
    }
    int screen = 0;
    xcb_connection_t* const opened = xcb_connect(display.c_str(), &screen);
    if (xcb_connection_has_error(opened) != 0) {
        // A connection that failed is still freed through xcb_disconnect.
        xcb_disconnect(opened);
        return "cannot open the display \"" + display + "\"";
    }
    const int screens = xcb_setup_roots_length(xcb_get_setup(opened));
    if (screen >= screens) {
        xcb_disconnect(opened);
        return "the display \"" + display + "\" has no screen " + std::to_string(screen);
    }
    connection = opened;
    return std::nullopt;
}

// The compositor's socket as the Wayland client library finds it, in an address; or why it
// cannot be found.
std::variant<sockaddr_un, std::string> WaylandAddress() {
    std::string name = EnvironmentValue("WAYLAND_DISPLAY");
    if (name.empty()) {
        name = DefaultWaylandDisplay;
    }
    std::string path = name;
    if (!name.starts_with('/')) {
        const std::string runtime = EnvironmentValue("XDG_RUNTIME_DIR");
        if (runtime.empty()) {
            return "cannot find the Wayland display \"" + name + "\" (XDG_RUNTIME_DIR is not set)";
        }
        path = runtime + "/" + name;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        return "cannot open the Wayland display \"" + path + "\" (the path is too long)";
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

// Why no Wayland compositor can be reached, or nothing. Connecting and closing at once is
// harmless to a compositor.
std::optional<std::string> WaylandProblem() {
    if (!EnvironmentValue("WAYLAND_SOCKET").empty()) {
        return std::nullopt; // a connection handed over by whoever started us
    }
    const auto found = WaylandAddress();
    if (const auto* problem = std::get_if<std::string>(&found)) {
        return *problem;
    }
    const sockaddr_un& address = std::get<sockaddr_un>(found);
    const std::string path = address.sun_path;
    const int socketFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socketFd < 0) {
        return "cannot open the Wayland display \"" + path + "\" (" + std::strerror(errno) + ")";
    }
    const bool connected =
        connect(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    const int connectError = errno;
    close(socketFd);
    if (!connected) {
        return "cannot open the Wayland display \"" + path + "\" (" +
               std::strerror(connectError) + ")";
    }
    return std::nullopt;
}

// Why the Linux framebuffer cannot be used, or nothing: the device the platform's "fb="
// option names, else the first of Qt's defaults that exists, must open as Qt opens it.
std::optional<std::string> FramebufferProblem(const std::string& candidate) {
    std::string device;
    for (const std::string& option : Split(candidate, ':')) {
        if (option.starts_with("fb=")) {
            device = option.substr(3);
        }
    }
    for (const char* fallback : DefaultFramebuffers) {
        if (device.empty() && access(fallback, F_OK) == 0) {
            device = fallback;
        }
    }
    if (device.empty()) {
        return std::string("cannot find a framebuffer device (") + DefaultFramebuffers[0] +
               " and " + DefaultFramebuffers[1] + " do not exist)";
    }
    int descriptor = open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (descriptor < 0) {
        descriptor = open(device.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (descriptor < 0) {
        return "cannot open the framebuffer \"" + device + "\" (" + std::strerror(errno) + ")";
    }
    close(descriptor);
    return std::nullopt;
}

} // namespace

bool WaylandCompositorHungUp() {
    const auto found = WaylandAddress();
    const auto* compositor = std::get_if<sockaddr_un>(&found);
    if (compositor == nullptr) {
        return false;
    }
    // Our descriptors, without exceptions: this runs inside Qt's message handling.
    std::error_code error;
    for (auto entry = std::filesystem::directory_iterator("/proc/self/fd", error);
         !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const int descriptor = std::atoi(entry->path().filename().c_str());
        sockaddr_un peer{};
        socklen_t length = sizeof(peer);
        if (getpeername(descriptor, reinterpret_cast<sockaddr*>(&peer), &length) != 0 ||
            peer.sun_family != AF_UNIX ||
            std::strncmp(peer.sun_path, compositor->sun_path, sizeof(peer.sun_path)) != 0) {
            continue;
        }
        pollfd state{descriptor, POLLRDHUP, 0};
        if (poll(&state, 1, 0) == 1 && (state.revents & (POLLRDHUP | POLLHUP)) != 0) {
            return true;
        }
    }
    return false;
}

TPlatformChoice::TPlatformChoice(int argc, char** argv) {
    const std::vector<std::string> candidates = Candidates(argc, argv);
    const QStringList folders = PluginFolders(argc, argv);
    std::vector<std::string> failures;
    for (const std::string& candidate : candidates) {
        const std::string name = candidate.substr(0, candidate.find(':'));
        std::optional<std::string> problem;
        if (!HasPlugin(folders, QString::fromStdString(name))) {
            problem = "Qt has no platform plugin \"" + name + "\"";
        } else if (name == X11PlatformName) {
            problem = X11Problem(argc, argv, x11Connection_);
        } else if (name == WaylandPlatformName) {
            problem = WaylandProblem();
        } else if (name == FramebufferPlatformName) {
            problem = FramebufferProblem(candidate);
        }
        // Any other platform (offscreen, vnc, ...) is Qt's to open.
        if (!problem) {
            platform_ = candidate;
            return;
        }
        failures.push_back(candidates.size() == 1 ? *problem : name + ": " + *problem);
    }
    std::string tried;
    bool triedX11 = false;
    for (const std::string& candidate : candidates) {
        tried += (tried.empty() ? "" : ";") + candidate;
        triedX11 = triedX11 || candidate.substr(0, candidate.find(':')) == X11PlatformName;
    }
    if (candidates.empty()) {
        problem_ = "cannot start: no platform is named";
    } else if (candidates.size() == 1 && triedX11) {
        problem_ = failures.front();
    } else {
        problem_ = (candidates.size() == 1 ? "cannot start on the platform \""
                                           : "cannot start on any of the platforms \"") +
                   tried + "\": ";
        for (std::size_t i = 0; i < failures.size(); ++i) {
            problem_ += (i == 0 ? "" : "; ") + failures[i];
        }
    }
    if (triedX11) {
        problem_ += NoDisplayAdvice;
    }
}

TPlatformChoice::~TPlatformChoice() {
    Release();
}

std::vector<char*> TPlatformChoice::ArgumentsWithoutPlatform(int argc, char** argv) {
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && i + 1 < argc && IsOption(argv[i], "-platform")) {
            ++i;
            continue;
        }
        arguments.push_back(argv[i]);
    }
    arguments.push_back(nullptr);
    return arguments;
}

void TPlatformChoice::Apply() const {
    setenv("QT_QPA_PLATFORM", platform_.c_str(), 1);
}

void TPlatformChoice::Release() {
    if (x11Connection_ != nullptr) {
        xcb_disconnect(x11Connection_);
        x11Connection_ = nullptr;
    }
}

} // namespace app
