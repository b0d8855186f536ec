// The program's entry on Qt: the real engine, the command line as one text, and the quit command
// on SIGINT and SIGTERM. The station itself starts in WinMain.
#include "app/automation.h"
#include "app/callbacks.h"
#include "app/startup.h"
#include "app/station.h"
#include "app/window_replay.h"
#include "export/ride_export.h"
#include "platform/engine.h"
#include "platform/qt/qt_engine.h"
#include "platform/text_language.h"
#include "platform/windows_calls.h"
#include "review/review_window.h"
#include "review/ride_report.h"
#include "setup/catalogue.h"
#include "setup/window_title.h"
#include "station/replay.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>

#include <atomic>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// D-Bus, which Qt talks to on a desktop session, keeps one allocation to the end of the process:
// not ours, so a sanitized build still ends cleanly on a desktop.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}
#endif

namespace {
constexpr std::size_t maxCommandLine = 511;
char commandLine[maxCommandLine + 1];

std::atomic<bool> quitSignalled{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnQuitSignal(int signalNumber) {
    quitSignalled.store(true);
    // A second signal ends the program at once, should the quit command hang.
    std::signal(signalNumber, SIG_DFL);
}

// Without a screen the program still runs, on the offscreen platform (a service, a test box).
void ChooseOffscreenWithoutScreen() {
#if defined(__linux__)
    if (std::getenv("QT_QPA_PLATFORM") != nullptr) return;
    if (std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::printf("No display found: running on the offscreen platform.\n");
    std::fflush(stdout);
#endif
}

// On Linux Qt takes the rider's language for the C library too: an Italian or German desktop
// would then write "1,250" into the setup file and decimal commas into every session row, where
// the comma separates the columns. The files keep the decimal point whatever the language.
void KeepDecimalPointInFiles() {
    std::setlocale(LC_NUMERIC, "C");
}

// The ride is read beside the station's timers; a file that is no ride is told in the message
// box once read.
void OpenReviewFromPanel(const char* path) {
    ReviewWindow::OpenWhenRead(
        path, [](const std::string& reason) { TellRideNotOpened(EngineStation(), reason.c_str()); },
        ReadRideOrStream);
}

// What the program answers on the console goes to the one it was started from.
void UseConsole() {
#ifdef _WIN32
    UseParentConsole();
#endif
}

// zan_pc --help (or -h) and zan_pc --version: answered on the standard output, with no window and
// no file touched.
bool AnswerInformationRequest(int argc, char** argv, int& exitCode) {
    if (argc != 2) return false;
    const std::string version(programVersion, std::strlen(programVersion) - 1);
    if (std::strcmp(argv[1], "--version") == 0) {
        UseConsole();
        std::printf("zan_pc %s\n", version.c_str());
    } else if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        UseConsole();
        std::printf("usage: zan_pc [SETUP_FILE]\n"
                    "  Starts the station with the calibration of SETUP_FILE (zan_01.set when none "
                    "is named);\n"
                    "  quitting saves it into zan_01.set.\n"
                    "       zan_pc --export SESSION_FILE.csv [--utc-offset +HH:MM|ZONE]\n"
                    "  Writes the session's FIT and TCX files beside it, with no window (under a\n"
                    "  new name, told here, when one of them is there already); the\n"
                    "  session's clock is read in ZONE (an offset from UTC or a zone name),\n"
                    "  this computer's zone when none is given.\n"
                    "       zan_pc --review SESSION_FILE.csv | STREAM.zanraw\n"
                    "  Shows the session's ride in the review window, without the station; a\n"
                    "  raw stream is played again first, with nothing written beside it.\n"
                    "       zan_pc --report BEFORE.zanraw [AFTER.zanraw] --pdf REPORT.pdf\n"
                    "  Writes a one-page PDF of the rides' pedalling, the second laid over the\n"
                    "  first, with no window; REPORT.pdf must not be there yet.\n"
                    "       zan_pc --replay STREAM.zanraw --export\n"
                    "  Plays the raw stream recorded beside a session again, with no window, into\n"
                    "  a new session file beside it with its FIT and TCX files.\n"
                    "       zan_pc --share-power [SETUP_FILE]\n"
                    "  Shares power, cadence, balance and heart rate with training apps for this\n"
                    "  run (Direct Connect, port 36866).\n"
                    "       zan_pc --lang it|en [SETUP_FILE | --replay STREAM.zanraw ...]\n"
                    "  Shows the station's own texts as written, partly Italian (it), or in\n"
                    "  English (en). Without it: English, unless the system's language is\n"
                    "  Italian or the C locale (LC_ALL, LC_MESSAGES, LANG).\n"
                    "       zan_pc --help | -h | --version\n"
                    "  Prints this text, or the version (%s).\n",
                    version.c_str());
    } else {
        return false;
    }
    std::fflush(stdout);
    exitCode = 0;
    return true;
}

// The ride's zone for --export: an offset from UTC, or a zone of the system's zone database
// (none on Windows, where the offset is given), which the conversion's local time then follows.
bool TakeRideZone(const std::string& text, RideZone& zone, std::string& error) {
    if (ParseUtcOffset(text, zone.offsetSeconds)) {
        zone.fixedOffset = true;
        return true;
    }
#ifndef _WIN32
    const char* database = std::getenv("TZDIR");
    const std::filesystem::path zones =
        database != nullptr && database[0] != '\0' ? database : "/usr/share/zoneinfo";
    std::error_code ignored;
    if (!text.empty() && text.find("..") == std::string::npos &&
        std::filesystem::is_regular_file(zones / text, ignored)) {
        setenv("TZ", text.c_str(), 1);
        return true;
    }
#endif
    error = "\"" + text + "\" is no offset from UTC (+HH:MM or -HH:MM) nor a known zone";
    return false;
}

// zan_pc --export FILE.csv [--utc-offset ZONE]: a session file, a finished one or one a crash
// cut short, converted into FIT and TCX beside it, with no window.
int ExportCommand(int argc, char** argv) {
    // The one line of the export goes to the console it was started from.
    UseConsole();
    const bool zoneGiven = argc == 5 && std::strcmp(argv[3], "--utc-offset") == 0;
    if (argc != 3 && !zoneGiven) {
        std::fprintf(stderr,
                     "usage: zan_pc --export SESSION_FILE.csv [--utc-offset +HH:MM|ZONE]\n");
        return 2;
    }
    std::string error;
    RideZone zone;
    RideFiles files;
    if ((zoneGiven && !TakeRideZone(argv[4], zone, error)) ||
        !ExportRide(argv[2], 0, nullptr, zone, error, &files)) {
        std::fprintf(stderr, "zan_pc --export: %s\n", error.c_str());
        return 2;
    }
    // A session's own FIT (with the pedalling metrics only the live station knew) is never
    // replaced: the rider learns where the new files went.
    if (const std::string note = RideFilesNote(files); !note.empty())
        std::printf("%s\n", note.c_str());
    return 0;
}
// zan_pc --review FILE.csv|FILE.zanraw: a past ride in the review window alone; the station does
// not start, so no file of its own is read or written.
int ReviewCommand(int argc, char** argv) {
    if (argc != 3) {
        UseConsole();
        std::fprintf(stderr, "usage: zan_pc --review SESSION_FILE.csv | STREAM.zanraw\n");
        return 2;
    }
    // The file is read before Qt starts: a refusal is its one line alone.
    ReviewRide ride;
    std::string error;
    if (!ReadRideOrStream(argv[2], ride, error)) {
        UseConsole();
        std::fprintf(stderr, "zan_pc --review: %s\n", error.c_str());
        return 2;
    }
    if (!ride.note.empty()) {
        UseConsole();
        std::fprintf(stderr, "zan_pc --review: %s\n", ride.note.c_str());
    }
    ChooseOffscreenWithoutScreen();
    QApplication application(argc, argv);
    KeepDecimalPointInFiles();
    ReviewWindow window(std::move(ride));
    window.SetRideReader(ReadRideOrStream);
    window.show();
    return QApplication::exec();
}

// zan_pc --report A.zanraw [B.zanraw] --pdf FILE.pdf: the one-page report of one ride or of two,
// before and after, with no window. A file already at FILE.pdf is never written over.
int ReportCommand(int argc, char** argv) {
    UseConsole();
    if ((argc != 5 && argc != 6) || std::strcmp(argv[argc - 2], "--pdf") != 0) {
        std::fprintf(stderr,
                     "usage: zan_pc --report BEFORE.zanraw [AFTER.zanraw] --pdf REPORT.pdf\n");
        return 2;
    }
    const std::string pdf = argv[argc - 1];
    std::error_code ignored;
    if (std::filesystem::exists(std::filesystem::symlink_status(pdf, ignored))) {
        std::fprintf(stderr, "zan_pc --report: %s is there already: not written over\n",
                     pdf.c_str());
        return 2;
    }
    std::vector<ReviewRide> rides(static_cast<std::size_t>(argc - 4));
    for (std::size_t i = 0; i < rides.size(); ++i) {
        std::string error;
        if (!ReadReviewStream(argv[i + 2], rides[i], error)) {
            std::fprintf(stderr, "zan_pc --report: %s\n", error.c_str());
            return 2;
        }
        if (!rides[i].note.empty())
            std::fprintf(stderr, "zan_pc --report: %s\n", rides[i].note.c_str());
    }
    // The page's text is laid out with the system's fonts, which Qt's application finds; it
    // opens no window, so it needs no screen either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The command's one line is its own: Qt's notes on its platform (no runtime folder on a
    // service account) are not the rider's.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "zan_pc --report: %s\n", qPrintable(message));
    });
    QApplication application(argc, argv);
    KeepDecimalPointInFiles();
    std::vector<const ReviewRide*> pages;
    for (const ReviewRide& ride : rides) pages.push_back(&ride);
    std::string error;
    if (!WriteRideReport(pages, pdf, ReportTarget::NewFile, error)) {
        std::fprintf(stderr, "zan_pc --report: %s\n", error.c_str());
        return 2;
    }
    std::printf("%s\n", pdf.c_str());
    return 0;
}

// zan_pc --replay FILE.zanraw --export: the ride the stream holds, played again with no window,
// written as a new session file beside it with its FIT and TCX files.
bool IsReplayExport(int argc, char** argv) {
    return argc == 4 && std::strcmp(argv[1], "--replay") == 0 &&
           std::strcmp(argv[3], "--export") == 0;
}

// zan_pc --replay FILE.zanraw [--speed N|max]: the pace of a replay in the window; max plays
// a thousand times the recorded pace. False, after the usage line, for anything else.
bool TakeReplaySpeed(int argc, char** argv, double& speed) {
    speed = 1.0;
    if (argc == 3) return true;
    if (argc == 5 && std::strcmp(argv[3], "--speed") == 0) {
        if (std::strcmp(argv[4], "max") == 0) {
            speed = 1000.0;
            return true;
        }
        char* end = nullptr;
        speed = std::strtod(argv[4], &end);
        if (end != argv[4] && *end == '\0' && speed > 0.0 && speed <= 1000.0) return true;
    }
    UseConsole();
    std::fprintf(stderr, "usage: zan_pc --replay STREAM.zanraw [--speed N|max] | --export\n");
    return false;
}

int ReplayExportCommand(char** argv) {
    UseConsole();
    std::string session;
    std::string note;
    std::string error;
    const bool written = ReplayExport(argv[2], session, note, error);
    if (!note.empty()) std::fprintf(stderr, "zan_pc --replay: %s\n", note.c_str());
    if (!written) {
        std::fprintf(stderr, "zan_pc --replay: %s\n", error.c_str());
        return 2;
    }
    std::printf("%s\n", session.c_str());
    return 0;
}
// zan_pc --lang it|en ...: the language of the station's own texts, taken out of the arguments
// before anything else reads them; without it, the rider's locale's. False after the usage line
// for another language.
bool TakeTextLanguage(int& argc, char** argv, TextLanguage& language) {
    const char* option = nullptr;
    if (argc >= 2 && std::strcmp(argv[1], "--lang") == 0) {
        option = argc >= 3 ? argv[2] : "";
        // argv[argc] is the null pointer, which moves down with the rest.
        for (int i = 3; i <= argc; ++i) argv[i - 2] = argv[i];
        argc = argc >= 3 ? argc - 2 : 1;
    }
    const QByteArray systemLocale = QLocale::system().name().toUtf8();
    if (ChooseTextLanguage(option, std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                           std::getenv("LANG"), systemLocale.constData(), language))
        return true;
    UseConsole();
    std::fprintf(stderr, "usage: zan_pc --lang it|en [SETUP_FILE | --replay STREAM.zanraw ...]\n");
    return false;
}

// zan_pc --share-power ...: sharing with training apps switched on for this run, taken out of
// the arguments before the setup path is read from them.
bool TakeSharePower(int& argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--share-power") != 0) return false;
    // argv[argc] is the null pointer, which moves down with the rest.
    for (int i = 2; i <= argc; ++i) argv[i - 1] = argv[i];
    argc -= 1;
    return true;
}

// The command line the station sees: the arguments, joined by single blanks, into commandLine.
// Returns 0, or 2 after one line on the standard error when it is too long for a setup path or
// names a setup file that does not exist.
int TakeCommandLine(int argc, char** argv) {
    std::size_t length = 0;
    for (int i = 1; i < argc; ++i) length += std::strlen(argv[i]) + (i > 1 ? 1 : 0);
    if (length > maxCommandLine) {
        UseConsole();
        std::fprintf(stderr,
                     "Command line too long (%zu characters): the setup path holds at most %zu.\n",
                     length, maxCommandLine);
        return 2;
    }
    commandLine[0] = '\0';
    for (int i = 1; i < argc; ++i) {
        if (i > 1) std::strcat(commandLine, " ");
        std::strcat(commandLine, argv[i]);
    }
    // A setup file named but not there is a mistyped name: starting on the default calibration
    // would then save it over zan_01.set at the quit.
    if (length >= 4 && !FileExists(commandLine)) {
        UseConsole();
        std::fprintf(stderr, "Setup file \"%s\" does not exist: the station does not start.\n",
                     commandLine);
        return 2;
    }
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    TextLanguage language = TextLanguage::Source;
    if (!TakeTextLanguage(argc, argv, language)) return 2;
    const bool sharePower = TakeSharePower(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--export") == 0) return ExportCommand(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--review") == 0) return ReviewCommand(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--report") == 0) return ReportCommand(argc, argv);
    if (IsReplayExport(argc, argv)) return ReplayExportCommand(argv);
    const bool replaying = argc >= 2 && std::strcmp(argv[1], "--replay") == 0;
    RawStream stream;
    double replaySpeed = 1.0;
    if (replaying) {
        if (!TakeReplaySpeed(argc, argv, replaySpeed)) return 2;
        std::string error;
        if (!ReadRawStream(argv[2], stream, error)) {
            UseConsole();
            std::fprintf(stderr, "zan_pc --replay: %s\n", error.c_str());
            return 2;
        }
    }
    if (int exitCode = 0; AnswerInformationRequest(argc, argv, exitCode)) return exitCode;
    // Qt takes its own options (all starting with '-') out of the arguments: without any, the
    // command line is checked before Qt starts, so a refusal prints its one line alone.
    bool qtMayTakeArguments = false;
    for (int i = 1; i < argc && !replaying; ++i)
        qtMayTakeArguments = qtMayTakeArguments || argv[i][0] == '-';
    // A replay starts on the default setup file; the ride brings its own calibration.
    if (!qtMayTakeArguments && !replaying) {
        if (const int refused = TakeCommandLine(argc, argv)) return refused;
    }
    ChooseOffscreenWithoutScreen();
    QApplication application(argc, argv);
    KeepDecimalPointInFiles();
    // Before the panels are built: their labels are looked up as they are.
    if (!UseTextLanguage(language))
        std::fprintf(stderr, "The English texts did not load: the texts are shown as written.\n");
    QtEngine engine;
    engine.reviewOpener = OpenReviewFromPanel;
    UseEngine(&engine);
    // The one station of the program, on the heap: its record is large.
    const auto station = std::make_unique<Station>();
    UseStation(*station);
    Station& zan = *station;
    zan.share.onForRun = sharePower;
    WindowReplay replay(stream);
    if (replaying) PlayStreamInWindow(zan, replay, argv[2], replaySpeed);

    if (qtMayTakeArguments) {
        if (const int refused = TakeCommandLine(argc, argv)) return refused;
    }

    // Signals only raise a flag; the event loop turns it into the quit button's command, so
    // the setup is saved and the crank told to stop as on a normal quit.
    std::signal(SIGINT, OnQuitSignal);
    std::signal(SIGTERM, OnQuitSignal);
    QTimer signalWatch;
    QObject::connect(&signalWatch, &QTimer::timeout, &signalWatch, [&signalWatch, &engine, &zan] {
        if (!quitSignalled.load()) return;
        signalWatch.stop();
        // A quit asked for by a signal (a service stopped, a shutdown) has nobody to answer a
        // dialog: what it has to tell goes to the standard error instead, and it still ends.
        engine.popupsToStandardError = true;
        if (CtrlCallbackPtr quit = FindCallback("FINE"))
            quit(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
        else
            QuitUserInterface(0);
    });
    signalWatch.start(100);

    // A measuring aid (see docs/measuring.md): the rider's presses played at given times.
    if (const char* script = std::getenv("ZAN_AUTOMATE")) {
        std::vector<AutomationStep> steps;
        std::string error;
        if (!ParseAutomation(script, steps, error)) {
            std::fprintf(stderr, "ZAN_AUTOMATE: %s\n", error.c_str());
            return 2;
        }
        ScheduleAutomation(steps);
    }

    return program::WinMain(nullptr, nullptr, commandLine, 1);
}
