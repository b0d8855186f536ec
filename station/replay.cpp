#include "station/replay.h"

#include "station/core_start.h"
#include "station/display_tick.h"
#include "station/frame_path.h"
#include "station/session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
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
    if (setupTaker != nullptr)
        while (const RawSetup* setup = TakeSetupChange()) setupTaker(setupData, *setup);
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

namespace {
// The clock of a replay, on the ride's own: the link ticks where the stream puts them, each
// read 2 ms after its tick as the live link timer reads after its yield; a display tick at its
// recorded instant, never behind the clock; the date-time the live station read at each display
// tick and at the session's press.
struct ReplayClock {
    double now;
    // The date-time at 0 of the timer.
    double dateTimeAtZero;

    ClockReading Reading() const { return ClockReading{now, dateTimeAtZero + now}; }
    void Reach(double at) { now = std::max(now, at); }
    void ReadDateTime(double dateTime) { dateTimeAtZero = dateTime - now; }
};

// The live link timer yields this long before it reads the port.
constexpr double linkYield = 0.002;

// The replay's session, opened as the rider opened it, in folder; false when its file could not
// be made.
bool OpenReplaySession(StationCore& zan, const std::string& folder, const ClockReading& now) {
    StampStationSession(zan, now);
    if (OpenStationSession(zan, folder.c_str(), now) == SessionStart::Refused) return false;
    // A live session stores its file on disk every few seconds against a power cut; a replay
    // can always be run again, and stores it once, at its close.
    zan.record.lastSyncTime = std::numeric_limits<double>::infinity();
    return true;
}

// The recorded session played through the core tick by tick: each link tick gives the port
// bytes stamped with it, each display tick runs where and when it ran live, a setup change is in
// force before the tick it was recorded at, and the session opens where its block is (the link's
// history before it played first). A stream of version 1 without display ticks has one every
// 25 link ticks, the display timer's 500 ms. False when the session could not be opened.
bool PlayBlocks(StationCore& zan, ReplayClock& clock, ReplayPort& port, const RawStream& stream,
                RawBlockReader& blocks, const std::string& folder) {
    // Every stream of version 2 on marks its display ticks: one without them has no rows to
    // give, however long its clock runs.
    const bool displayEvery25 = stream.header.version == 1 && !stream.displays;
    const auto displayTick = [&zan, &clock] {
        MarkDisplayTick(zan, clock.Reading());
        DisplayTick(zan, clock.Reading());
    };
    std::uint32_t tick = 0;
    const auto runTo = [&](std::uint32_t target) {
        while (tick < target) {
            tick += 1;
            port.ReachTick(tick);
            clock.Reach(tick * 0.020);
            clock.now += linkYield;
            LinkTick(zan, clock.Reading());
            if (displayEvery25 && tick % 25 == 0) {
                clock.Reach(tick * 0.020);
                displayTick();
            }
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
        if (block.kind == RawBlockKind::Display) {
            clock.Reach(at);
            if (stream.header.version > 1) clock.ReadDateTime(block.dateTime);
            displayTick();
        }
        // The session button was pressed at a recorded instant that may lie behind the clock
        // (pressed before its folder popup let the session open): the session opens at that
        // instant, and the clock runs on from where it was.
        if (block.kind == RawBlockKind::Session) {
            const double reached = clock.now;
            clock.now = at;
            clock.ReadDateTime(block.dateTime);
            if (!OpenReplaySession(zan, folder, clock.Reading())) return false;
            clock.Reach(reached);
        }
    }
    // The session closes where the live one was closed: the link ticks after the last display
    // tick are counted from its instant, so a live timer that fell behind its 20 ms does not
    // pull the close back (and with it the trailer's "Time @ Stop").
    clock.Reach(stream.endMs / 1000.0);
    return true;
}

// The session's folder: the stream's own, whole.
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

// Plays the stream through a core of its own into a new session file in folder (never over an
// existing one) and its FIT and TCX files, or, when sessionText is given, into that text alone;
// follower, when given, follows its measurement.
bool ReplayInto(const RawStream& stream, const std::string& folder, const FrameFollower* follower,
                std::string* sessionText, Replayed& replayed) {
    ReplayPort port(stream);
    RawBlockReader blocks(stream);
    // The clock runs on the stream's: the session's button was pressed at the date-time the
    // header holds.
    const double pressed = stream.session ? stream.sessionMs / 1000.0 : 0.0;
    ReplayClock clock{0.0, stream.header.startDateTime - pressed};
    const auto station = std::make_unique<StationCore>();
    StationCore& zan = *station;
    // The replay starts as the station did, on the setup recorded with the ride rather than
    // the one in this folder. A stream of version 1 begins with its session, which opens at
    // once, before the first byte.
    StartReplayCore(zan, port, stream.header.setup);
    if (follower != nullptr) Follow(zan.core.followers, *follower);
    zan.record.sessionText = sessionText;
    bool started = stream.session || OpenReplaySession(zan, folder, clock.Reading());
    if (started) started = PlayBlocks(zan, clock, port, stream, blocks, folder);
    if (started) {
        replayed.sessionPath = zan.record.sessionPath;
        ClosedSession closed = CloseStationSession(zan, clock.Reading());
        if (sessionText == nullptr) WriteRideFiles(zan, closed);
        replayed.kept = zan.record.kept;
        if (zan.record.filesNotWritten > 0)
            replayed.notWritten = zan.record.firstNotWritten;
        else if (sessionText == nullptr && !closed.rideFiles)
            replayed.notWritten = closed.rideFilesFailure;
    }
    if (blocks.Broken()) {
        replayed.failure = "the stream no longer reads as it did when it was opened (changed "
                           "while it was played?)";
        started = false;
    }
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

void KeepFrame(void* data, const StationCore& zan, const PolarFrame& frame) {
    auto& keeper = *static_cast<FrameKeeper*>(data);
    keeper.frames.push_back(ReviewFrame{zan.record.now.timer, frame});
}

} // namespace

bool ReplayExport(const std::string& streamPath, std::string& sessionPath, std::string& note,
                  std::string& error) {
    RawStream stream;
    if (!ReadRawStream(streamPath, stream, error)) return false;
    note = stream.note;
    Replayed replayed;
    if (!ReplayInto(stream, FolderOf(streamPath), nullptr, nullptr, replayed)) {
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
    FrameKeeper keeper;
    Replayed replayed;
    std::string session;
    const FrameFollower keepFrames{&keeper, KeepFrame};
    const bool read = ReplayInto(stream, "", &keepFrames, &session, replayed) &&
                      ReadReviewText(session, name, &replayed.kept, ride, error);
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
