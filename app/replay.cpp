#include "app/replay.h"

#include "app/callbacks.h"
#include "app/startup.h"
#include "app/station.h"
#include "platform/engine.h"
#include "setup/catalogue.h"
#include "setup/setup_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <thread>
#include <utility>

namespace {
// The port's input queue: a read of the queue's length gives at most this much.
constexpr std::size_t portQueueBytes = 65536;
} // namespace

void ReplayPort::ReachTick(std::uint32_t reached) {
    tick = reached;
}

void ReplayPort::TakeDueBlocks() {
    while (!setupDue && waiting.size() - waitingFrom < portQueueBytes) {
        if (!ahead) ahead = reader.Next(next);
        if (!ahead || next.tick > tick) return;
        ahead = false;
        blocksTaken += 1;
        if (next.kind == RawBlockKind::Display) {
            displayTick = next.tick;
            displayMs = next.displayMs;
        }
        if (next.kind == RawBlockKind::Setup) {
            setupDue = true;
            dueSetup = next.setup;
        } else if (!next.bytes.empty()) {
            if (waitingFrom == waiting.size()) {
                waiting.clear();
                waitingFrom = 0;
            }
            waiting.insert(waiting.end(), next.bytes.begin(), next.bytes.end());
        }
    }
}

int ReplayPort::InQLen() {
    TakeDueBlocks();
    return static_cast<int>(waiting.size() - waitingFrom);
}

int ReplayPort::Read(unsigned char* buffer, int count) {
    int given = 0;
    while (given < count) {
        if (waitingFrom == waiting.size()) TakeDueBlocks();
        if (waitingFrom == waiting.size()) break;
        const std::size_t step =
            std::min(waiting.size() - waitingFrom, static_cast<std::size_t>(count - given));
        std::memcpy(buffer + given, waiting.data() + waitingFrom, step);
        given += static_cast<int>(step);
        waitingFrom += step;
    }
    return given > 0 ? given : -1;
}

const RawSetup* ReplayPort::TakeSetupChange() {
    TakeDueBlocks();
    // Bytes before the change still to read were measured under the setup before it.
    if (!setupDue || waitingFrom < waiting.size()) return nullptr;
    setupDue = false;
    takenSetup = dueSetup;
    return &takenSetup;
}

bool ReplayPort::Ended() const {
    const bool allTaken = blocksTaken >= stream.portBlocksEnd || (!ahead && reader.Broken());
    return allTaken && waitingFrom == waiting.size();
}

double ReplayPort::ReachedMs() const {
    return displayMs + (static_cast<double>(tick) - displayTick) * 20.0;
}

std::string RideMinutes(double seconds) {
    const long whole = std::lround(seconds);
    const long size = std::labs(whole);
    char text[32];
    std::snprintf(text, sizeof text, "%s%ld:%02ld", whole < 0 ? "-" : "", size / 60, size % 60);
    return text;
}

void TakeRecordedSetup(Station& zan, const RawSetup& setup) {
    zan.setup.setup = setup.parameters;
    zan.setup.singleSide = setup.singleSide;
    TakeWheelAndCorrections(zan.setup);
}

namespace {
// The engine a headless replay runs the station on: no screen, a virtual clock that starts at
// the session's recorded start, the timers' ticks where the stream puts them, and the replay as
// its port.
// It keeps the controls' values the station reads back; popups are answered at once (a folder
// popup with the stream's folder, a question with no button).
class ReplayEngine : public Engine {
  public:
    ReplayEngine(ReplayPort& port, double startDateTime, std::string folder)
        : port(port), dateTimeAtZero(startDateTime), folder(std::move(folder)) {}

    // One tick of the link timer, or of the display timer, at the given virtual time (never
    // before the clock's present), after the calls due by then.
    void LinkTick(double at) { RunTick(at, inLinkTick, TIMER); }
    void DisplayTick(double at) { RunTick(at, inDisplayTick, DISPLAY); }
    // A display tick whose date-time the live station read too: the clock reads it then, and
    // runs on from it.
    void DisplayTick(double at, double dateTime) {
        if (at > now) now = at;
        ReadDateTime(dateTime);
        RunTick(at, inDisplayTick, DISPLAY);
    }
    // A press at a recorded instant that may lie behind the clock (the session button, pressed
    // before its folder popup let the session open): the clock reads that instant meanwhile.
    template <typename Press> void PressAt(double at, double dateTime, Press press) {
        const double reached = now;
        now = at;
        ReadDateTime(dateTime);
        press();
        now = std::max(now, reached);
    }
    // The clock on at a recorded instant, with no tick: the instant the session was closed.
    void Reach(double at) { now = std::max(now, at); }

    int InitCVIRTE(void*) override { return 1; }
    int LoadPanel(int, const char*, int) override { return nextPanel++; }
    int DisplayPanel(int) override { return 0; }
    int HidePanel(int) override { return 0; }
    int DiscardPanel(int) override { return 0; }
    int RunUserInterface() override { return 0; }
    int QuitUserInterface(int) override { return 0; }

    int SetCtrlValInt(int panel, int control, int value) override {
        values[{panel, control}] = value;
        return 0;
    }
    int SetCtrlValDouble(int panel, int control, double value) override {
        values[{panel, control}] = value;
        return 0;
    }
    int SetCtrlValText(int panel, int control, const char* value) override {
        texts[{panel, control}] = value;
        return 0;
    }
    int GetCtrlValDouble(int panel, int control, double* value) override {
        const auto found = values.find({panel, control});
        *value = found == values.end() ? 0.0 : found->second;
        return 0;
    }
    int GetCtrlValText(int panel, int control, char* value, std::size_t size) override {
        const auto found = texts.find({panel, control});
        const std::string text = found == texts.end() ? "" : found->second;
        if (size > 0) {
            const std::size_t kept = std::min(text.size(), size - 1);
            std::memcpy(value, text.data(), kept);
            value[kept] = '\0';
        }
        return 0;
    }
    int SetCtrlAttributeInt(int, int, int, int) override { return 0; }
    int SetCtrlAttributeDouble(int, int, int, double) override { return 0; }
    int SetCtrlAttributeText(int, int, int, const char*) override { return 0; }
    int GetCtrlAttributeInt(int, int, int, int* value) override {
        *value = 0;
        return 0;
    }
    int SetPanelAttributeInt(int, int, int) override { return 0; }
    int SetPanelAttributeText(int, int, const char*) override { return 0; }
    int GetPanelAttributeText(int, int, char* value, std::size_t size) override {
        if (size > 0) value[0] = '\0';
        return 0;
    }
    int PlotY(int, int, const float*, int, int) override { return 1; }
    int PlotXY(int, int, const float*, const float*, int, int) override { return 1; }
    int PlotPolar(int, int, const float*, const float*, int, int) override { return 1; }
    // A replay without a window opens no other window either.
    int OpenReviewWindow(const char*, char* reason, std::size_t size) override {
        std::snprintf(reason, size, "%s", "a replay without a window opens no review window");
        return -1;
    }
    int DeleteGraphPlot(int, int, int, int) override { return 0; }
    int ResetTextBox(int, int, const char*) override { return 0; }
    int InsertTextBoxLine(int, int, int, const char*) override { return 0; }

    int ProcessSystemEvents() override {
        RunDue();
        return 0;
    }
    int SuspendTimerCallbacks() override {
        suspended += 1;
        return 0;
    }
    int ResumeTimerCallbacks() override {
        if (suspended > 0) suspended -= 1;
        return 0;
    }

    int ConfirmPopup(const char*, const char*) override { return 0; }
    int GenericMessagePopup(const char*, const char*, const char*, const char*, const char*,
                            char* response, int maxResponseLength) override {
        if (maxResponseLength > 0) response[0] = '\0';
        return 0;
    }
    int FileSelectPopup(const char*, const char*, const char*, char* pathOut,
                        std::size_t size) override {
        if (size > 0) pathOut[0] = '\0';
        return 0;
    }
    int DirSelectPopup(const char*, const char*, char* pathOut, std::size_t size) override {
        if (size == 0 || folder.size() >= size) return 0;
        std::memcpy(pathOut, folder.c_str(), folder.size() + 1);
        return 1;
    }
    int MessagePopup(const char*, const char*) override { return 0; }
    int DismissPopup() override { return 0; }
    int PostDeferredCall(void (*call)(void* data), void* data) override {
        if (inLinkTick || inDisplayTick)
            delayed.push_back(Delayed{now, call, data});
        else
            call(data);
        return 0;
    }
    int PostDelayedCall(void (*call)(void* data), void* data, double seconds) override {
        delayed.push_back(Delayed{now + std::max(seconds, 0.0), call, data});
        return 0;
    }
    int PrintPanel(int, const char*, const char*) override { return -1; }

    double CurrentDateTime() override { return dateTimeAtZero + now; }
    double Timer() override { return now; }
    void Delay(double seconds) override {
        if (seconds > 0.0) now += seconds;
    }
    void Sleep(int milliseconds) override {
        if (milliseconds > 0) now += milliseconds / 1000.0;
    }
    int EscapeKeyDown() override { return 0; }
    int KeepPanelOnTop(int) override { return 0; }
    int LaunchBluetoothSettings(int*) override { return -1; }
    int ExecutableHasTerminated(int) override { return 1; }

    int OpenComConfig(int, const char*, long, int, int, int, int, int) override { return 0; }
    int SetComTime(int, double) override { return 0; }
    int CloseCom(int) override { return 0; }
    int GetInQLen(int) override { return port.InQLen(); }
    int ComRdByte(int) override {
        unsigned char byte = 0;
        return port.Read(&byte, 1) == 1 ? byte : -1;
    }
    int ComRdBlock(int, unsigned char* buffer, int count) override {
        return port.Read(buffer, count);
    }
    int ComWrtByte(int, int byte) override { return byte; }

  private:
    struct Delayed {
        double when;
        void (*call)(void* data);
        void* data;
    };

    // The station's own timers, whatever callback table the program was built with: a replay
    // measures with the station's code alone.
    void Tick(CtrlCallbackPtr callback) {
        if (suspended > 0) return;
        callback(1, 0, EVENT_TIMER_TICK, nullptr, 0, 0);
    }

    void ReadDateTime(double dateTime) { dateTimeAtZero = dateTime - now; }

    void RunTick(double at, bool& inTick, CtrlCallbackPtr callback) {
        if (at > now) now = at;
        RunDue();
        inTick = true;
        Tick(callback);
        inTick = false;
        RunDue();
    }

    // The calls due by now, in time order; one may post another.
    void RunDue() {
        if (runningDue) return;
        runningDue = true;
        for (;;) {
            std::size_t due = delayed.size();
            for (std::size_t i = 0; i < delayed.size(); ++i)
                if (delayed[i].when <= now &&
                    (due == delayed.size() || delayed[i].when < delayed[due].when))
                    due = i;
            if (due == delayed.size()) break;
            const Delayed call = delayed[due];
            delayed.erase(delayed.begin() + static_cast<std::ptrdiff_t>(due));
            call.call(call.data);
        }
        runningDue = false;
    }

    ReplayPort& port;
    // The clock's date-time at its 0 of the steady timer.
    double dateTimeAtZero;
    std::string folder;
    double now = 0.0;
    bool inLinkTick = false;
    bool inDisplayTick = false;
    bool runningDue = false;
    int suspended = 0;
    int nextPanel = 1;
    std::map<std::pair<int, int>, double> values;
    std::map<std::pair<int, int>, std::string> texts;
    std::vector<Delayed> delayed;
};

// The replay's session, opened as the rider opened it; false when its file could not be made.
bool OpenReplaySession(Station& zan) {
    SESSION(zan.setup.mainPanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    // A live session stores its file on disk every few seconds against a power cut; a replay
    // can always be run again, and stores it once, at its close.
    zan.record.lastSyncTime = std::numeric_limits<double>::infinity();
    return zan.record.sessionActive > 0;
}

// The recorded session played through the station tick by tick: each link tick gives the port
// bytes stamped with it, each display tick runs where and when it ran live, a setup change is in
// force before the tick it was recorded at, and the session opens where its block is (the link's
// history before it played first). A stream of version 1 without display ticks has one every
// 25 link ticks, the display timer's 500 ms. False when the session could not be opened.
bool PlayBlocks(Station& zan, ReplayEngine& engine, ReplayPort& port, const RawStream& stream,
                RawBlockReader& blocks) {
    // Every stream of version 2 on marks its display ticks: one without them has no rows to
    // give, however long its clock runs.
    const bool displayEvery25 = stream.header.version == 1 && !stream.displays;
    std::uint32_t tick = 0;
    const auto runTo = [&](std::uint32_t target) {
        while (tick < target) {
            tick += 1;
            port.ReachTick(tick);
            engine.LinkTick(tick * 0.020);
            if (displayEvery25 && tick % 25 == 0) engine.DisplayTick(tick * 0.020);
        }
    };
    for (RawStreamBlock block{}; blocks.Next(block);) {
        if (block.kind == RawBlockKind::Setup) {
            runTo(block.tick > 0 ? block.tick - 1 : 0);
            port.ReachTick(block.tick);
            while (const RawSetup* setup = port.TakeSetupChange()) TakeRecordedSetup(zan, *setup);
            continue;
        }
        runTo(block.tick);
        const double at = block.displayMs / 1000.0;
        if (block.kind == RawBlockKind::Display && stream.header.version == 1)
            engine.DisplayTick(at);
        else if (block.kind == RawBlockKind::Display)
            engine.DisplayTick(at, block.dateTime);
        if (block.kind == RawBlockKind::Session) {
            bool opened = false;
            engine.PressAt(at, block.dateTime,
                           [&zan, &opened] { opened = OpenReplaySession(zan); });
            if (!opened) return false;
        }
    }
    // The session closes where the live one was closed: the link ticks after the last display
    // tick are counted from its instant, so a live timer that fell behind its 20 ms does not
    // pull the close back (and with it the trailer's "Time @ Stop").
    engine.Reach(stream.endMs / 1000.0);
    return true;
}

// The session's folder as the popup gives it: the stream's own, whole.
std::string FolderOf(const std::string& path) {
    std::error_code ignored;
    std::filesystem::path folder = std::filesystem::absolute(path, ignored).parent_path();
    return folder.string();
}

// What a replay into a session file left: the file, what the station knew of its session, the
// lines it had for the rider, and why it failed when it did.
struct Replayed {
    std::string failure;
    std::string sessionPath;
    KeptSession kept;
    // The first file the replay could not write, as the station told it; empty when all were.
    std::string notWritten;
};

// Plays the stream through a station without a window into a new session file in folder (never
// over an existing one) and its FIT and TCX files; watch is told every frame. The station and
// its engine are gone when it returns, and no engine is left in use.
bool ReplayInto(const RawStream& stream, const std::string& folder, FrameWatch watch,
                Replayed& replayed) {
    ReplayPort port(stream);
    RawBlockReader blocks(stream);
    // The engine's clock runs on the stream's: the session's button was pressed at the date-time
    // the header holds.
    const double pressed = stream.session ? stream.sessionMs / 1000.0 : 0.0;
    ReplayEngine engine(port, stream.header.startDateTime - pressed, folder);
    UseEngine(&engine);
    // The station's start makes its data folder where it runs; a replay leaves the working
    // folder as it found it.
    std::error_code ignored;
    const bool dataFolderThere = std::filesystem::exists("dati", ignored);
    const auto station = std::make_unique<Station>();
    Station& zan = *station;
    UseStation(zan);
    // The replay starts as the station did, on the setup recorded with the ride rather than
    // the one in this folder. A stream of version 1 begins with its session, which opens at
    // once, before the first byte.
    zan.app.replaying = true;
    bool started = StartStation(zan, nullptr, "") == 0;
    if (!dataFolderThere) std::filesystem::remove("dati", ignored);
    if (started) {
        TakeRecordedSetup(zan, stream.header.setup);
        zan.app.frameWatch = watch;
        if (!stream.session) started = OpenReplaySession(zan);
    }
    if (started) started = PlayBlocks(zan, engine, port, stream, blocks);
    if (started) {
        replayed.sessionPath = zan.record.sessionPath;
        std::string exportError;
        const bool exported = CloseSessionAndExport(zan, &exportError);
        replayed.kept = zan.record.kept;
        if (zan.record.filesNotWritten > 0)
            replayed.notWritten = zan.record.firstNotWritten;
        else if (!exported)
            replayed.notWritten = exportError;
    }
    if (blocks.Broken()) {
        replayed.failure = "the stream no longer reads as it did when it was opened (changed "
                           "while it was played?)";
        started = false;
    }
    UseEngine(nullptr);
    return started;
}

// False, with the first file not written as the error, when the replay left one unwritten.
bool FilesWritten(const Replayed& replayed, std::string& error) {
    if (replayed.notWritten.empty()) return true;
    error = replayed.notWritten;
    return false;
}

// Keeps each frame the replay takes at its instant on the replay's clock; once the session's
// start is known, they move onto the rows' time axis. The link's history before the session
// takes frames too, before that start is known.
struct FrameKeeper {
    std::vector<ReviewFrame> frames;
};

void KeepFrame(void* data, const Station&, const PolarFrame& frame) {
    auto& keeper = *static_cast<FrameKeeper*>(data);
    keeper.frames.push_back(ReviewFrame{Timer(), frame});
}

// A folder of the review's own under the system's temporary folder, made new.
bool MakePrivateFolder(std::filesystem::path& folder) {
    std::random_device seed;
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::error_code failed;
        folder = std::filesystem::temp_directory_path(failed);
        if (failed) return false;
        folder /= "zan_review_" + std::to_string(seed()) + std::to_string(seed());
        if (std::filesystem::create_directory(folder, failed)) return true;
    }
    return false;
}
} // namespace

bool ReplayExport(const std::string& streamPath, std::string& sessionPath, std::string& note,
                  std::string& error) {
    RawStream stream;
    if (!ReadRawStream(streamPath, stream, error)) return false;
    note = stream.note;
    Replayed replayed;
    if (!ReplayInto(stream, FolderOf(streamPath), FrameWatch{}, replayed)) {
        error = replayed.failure.empty()
                    ? "the session file could not be made beside \"" + streamPath + "\""
                    : "\"" + streamPath + "\": " + replayed.failure;
        return false;
    }
    sessionPath = replayed.sessionPath;
    return FilesWritten(replayed, error);
}

bool ReadReviewStream(const std::string& streamPath, ReviewRide& ride, std::string& error) {
    RawStream stream;
    if (!ReadRawStream(streamPath, stream, error)) return false;
    const std::string name = std::filesystem::path(streamPath).filename().string();
    std::filesystem::path folder;
    if (!MakePrivateFolder(folder)) {
        error = "no temporary folder to replay " + name + " in";
        return false;
    }
    FrameKeeper keeper;
    Replayed replayed;
    bool read = false;
    // The replay runs on a thread of its own, so its engine and its files are its own whatever
    // the caller's thread runs.
    std::thread replay([&] {
        read = ReplayInto(stream, folder.string(), FrameWatch{&keeper, KeepFrame}, replayed) &&
               FilesWritten(replayed, error) &&
               ReadReviewRide(replayed.sessionPath, &replayed.kept, ride, error);
    });
    replay.join();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (!read) {
        if (error.empty()) error = replayed.failure;
        if (error.empty()) error = "the replay of " + name + " could not make its session";
        return false;
    }
    ride.name = name;
    // The rows' instants are whole seconds of the wall clock, so the start's part of a second
    // counts too; the history's frames come before the start.
    const double shift = stream.header.startDateTime - std::floor(stream.header.startDateTime) -
                         replayed.kept.startTimer;
    for (ReviewFrame& frame : keeper.frames) frame.seconds += shift;
    ride.frames = std::move(keeper.frames);
    ride.note = stream.note;
    return true;
}

bool ReadRideOrStream(const std::string& path, ReviewRide& ride, std::string& error) {
    if (std::filesystem::path(path).extension() == ".zanraw")
        return ReadReviewStream(path, ride, error);
    return ReadReviewRide(path, ride, error);
}
