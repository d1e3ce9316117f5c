// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line.h"

#include "app/common/program_info.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <string>

namespace app {
namespace {

constexpr auto ProgramDescription =
    "Shows, live, what a sample coder and an analysis window do to the spectrum of a pure "
    "tone, of a sound file or of live input.\nQt's own options (-platform, -display, -style, -reverse, ...) "
    "are accepted too.";

// The options the application object takes from the command line itself: those of Qt's GUI
// and widget layers and of its X11 platform. They are accepted here and left to it.
constexpr const char* QtValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "geometry", "qwindowtitle", "title", "qwindowicon", "icon", "session", "display",
    "name", "visual", "style", "stylesheet", "qmljsdebugger",
};
constexpr const char* QtFlagOptions[] = {
    "reverse", "sync", "widgetcount", "nograb", "dograb", "testability",
};

// An error line never carries control characters or a pasted essay from the command line.
constexpr qsizetype MaxErrorLength = 160;

std::string ErrorLine(QString text) {
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            c = QLatin1Char('?');
        }
    }
    if (text.size() > MaxErrorLength) {
        text = text.left(MaxErrorLength - 3) + QStringLiteral("...");
    }
    return std::string(ProgramName) + ": " + text.toStdString() + '\n';
}

TCommandLine Failed(const QString& text) {
    return {TCommandLineAction::caError, std::nullopt, false, {}, ErrorLine(text), std::nullopt};
}

// The bytes `value` was given as: the argument, or the part of one after its '=', that the
// parser read as `value`. A file name that is not UTF-8 reads with U+FFFD for its bad bytes,
// which would name another file.
std::string ArgumentBytes(int argc, char** argv, const QString& value) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const std::size_t equals = argument.find('=');
        for (const std::string& bytes :
             {argument, equals == std::string::npos ? std::string() : argument.substr(equals + 1)}) {
            if (!bytes.empty() && QString::fromLocal8Bit(bytes.c_str()) == value) {
                return bytes;
            }
        }
    }
    return QFile::encodeName(value).toStdString();
}

} // namespace

TCommandLine ParseCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    if (arguments.isEmpty()) {
        arguments << QStringLiteral("orvex");
    }

    QCommandLineParser parser;
    // Qt's options are single-dash words ("-platform xcb"), not bundles of letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QString::fromUtf8(ProgramDescription));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    const QCommandLineOption zoom(
        QStringLiteral("zoom"),
        QStringLiteral("Shows the window <N> times larger, every pixel N x N (%1 to %2; "
                       "default: the desktop's scale factor, rounded to a whole number).")
            .arg(MinZoom)
            .arg(MaxZoom),
        QStringLiteral("N"));
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Starts with listening on: the tone or the file plays through the sound "
                       "server as coded (0 dB is full scale). In the window, L turns listening "
                       "on and off, E plays the coding error alone, raised by 256 (+48.2 dB), "
                       "and A flips between the original and the coded signal."));
    const QCommandLineOption input(
        QStringLiteral("input"),
        QStringLiteral("Starts with the sound file <FILE> instead of the tone (any format "
                       "libsndfile reads; also given as a bare FILE). In the window, Ctrl+O "
                       "opens another."),
        QStringLiteral("FILE"));
    const QCommandLineOption live(
        QStringLiteral("live"),
        QStringLiteral("Starts with live input instead of the tone: the sound server's default "
                       "input, or the input named by a bare DEVICE (pactl list short sources "
                       "names them; an output's monitor records what the desktop plays). In "
                       "the window, the menu's Live input chooses another."));
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A sound file to start with, as --input."),
                                 QStringLiteral("[FILE]"));
    parser.addOption(help);
    parser.addOption(input);
    parser.addOption(version);
    parser.addOption(zoom);
    parser.addOption(listen);
    parser.addOption(live);
    for (const char* name : QtValueOptions) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : QtFlagOptions) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    if (!parser.parse(arguments)) {
        return Failed(parser.errorText());
    }
    // Given twice, an option would silently take its last value; Qt's own are Qt's to judge.
    const QStringList found = parser.optionNames();
    for (const QCommandLineOption* option : {&help, &input, &version, &zoom, &listen, &live}) {
        const QStringList names = option->names();
        if (std::count_if(found.begin(), found.end(),
                          [&names](const QString& name) { return names.contains(name); }) > 1) {
            return Failed(QStringLiteral("--%1 is given twice: give it once.").arg(names.last()));
        }
    }
    // "--input --listen" would open a file named "--listen": an option is taken for none,
    // unless joined to it with '='.
    for (qsizetype i = 1; i + 1 < arguments.size() && arguments[i] != QStringLiteral("--"); ++i) {
        const QString& next = arguments[i + 1];
        const bool inputAlone =
            arguments[i] == QStringLiteral("--input") || arguments[i] == QStringLiteral("-input");
        if (inputAlone && next.size() > 1 && next.startsWith(QLatin1Char('-'))) {
            return Failed(QStringLiteral("--input needs a file name, not the option '%1' (a file of "
                                         "that name is --input=%1).")
                              .arg(next));
        }
    }
    if (parser.isSet(help)) {
        // Without an application object the parser names no program; the name it was
        // started by is the one to show.
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), arguments.first());
        return {TCommandLineAction::caHelp, std::nullopt, false, {}, text.toStdString(), std::nullopt};
    }
    if (parser.isSet(version)) {
        return {TCommandLineAction::caVersion, std::nullopt, false, {},
                std::string(ApplicationName) + ' ' + ProgramVersion + '\n', std::nullopt};
    }
    const QStringList files = parser.positionalArguments();
    std::optional<std::string> liveDevice;
    if (parser.isSet(live)) {
        if (parser.isSet(input)) {
            return Failed(QStringLiteral("--live and --input exclude each other: one source at a time."));
        }
        if (files.size() > 1) {
            return Failed(QStringLiteral("Unexpected argument '%1': one input device at a time.")
                              .arg(files.last()));
        }
        // A sound file is no device: it would be handed to the sound server, which refuses it,
        // and the tone would play instead.
        if (!files.isEmpty() && files.first().isEmpty()) {
            return Failed(QStringLiteral("--live '' names no device: give none for the default input."));
        }
        if (!files.isEmpty() && QFileInfo::exists(files.first())) {
            return Failed(QStringLiteral("--live takes an input device, and '%1' is a file: give "
                                         "it as a FILE or with --input.")
                              .arg(files.first()));
        }
        liveDevice = files.value(0).toStdString();
    }
    if (!liveDevice && files.size() + (parser.isSet(input) ? 1 : 0) > 1) {
        return Failed(QStringLiteral("Unexpected argument '%1': one sound file at a time.")
                          .arg(files.last()));
    }
    const QString inputPath =
        parser.isSet(input) ? parser.value(input) : (liveDevice ? QString() : files.value(0));
    if (parser.isSet(input) && inputPath.isEmpty()) {
        return Failed(QStringLiteral("--input needs a file name."));
    }
    const std::string inputBytes = inputPath.isEmpty() ? std::string() : ArgumentBytes(argc, argv, inputPath);
    if (!parser.isSet(zoom)) {
        return {TCommandLineAction::caRun, std::nullopt, parser.isSet(listen), inputBytes, {},
                liveDevice};
    }
    const QString zoomText = parser.value(zoom);
    bool isNumber = false;
    const int zoomValue = zoomText.toInt(&isNumber);
    if (!isNumber || zoomValue < MinZoom || zoomValue > MaxZoom ||
        zoomText != QString::number(zoomValue)) {
        return Failed(QStringLiteral("The zoom must be a whole number from %1 to %2, not '%3'.")
                          .arg(MinZoom)
                          .arg(MaxZoom)
                          .arg(zoomText));
    }
    return {TCommandLineAction::caRun, zoomValue, parser.isSet(listen), inputBytes, {}, liveDevice};
}

} // namespace app
