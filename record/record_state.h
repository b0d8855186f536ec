#pragma once
// The session being recorded, the turn files and the multi-turn capture.

#include "measure/measure_state.h"
#include "platform/clock.h"
#include "record/kept_rows.h"
#include "record/raw_stream_format.h"

#include <cstdint>
#include <string>

#include <vector>

struct FileStamp {
    int hour;
    int minute;
    int second;
    int month;
    int day;
    int year;
    int year2;
    double seconds;
};

// The multi-turn capture: idle, armed for the next revolution start, recording.
enum class CaptureState { Idle, Armed, Recording };

constexpr int captureCapacity = 32000;

// What the recording has to tell the rider, kept until the application shell shows it: lines
// for the message box, and the session clock's yellow flash for a capture or a turn file.
constexpr int noticeCapacity = 8;
constexpr int noticeLength = 700;
struct RecordNotices {
    char lines[noticeCapacity][noticeLength];
    int count;
    bool clockFlash;
};

struct RecordState {
    // The instant of the tick under way, given by the station's core at each tick: every row,
    // stamp and sync of the recording reads it, so a replay writes on the ride's own clock.
    ClockReading now;

    int sessionActive;
    int sessionFile;
    // A session kept in memory (a raw stream read for the review): its lines go here, one after
    // another with their line ends, and no file is made.
    std::string* sessionText;
    int sessionRow;
    double sessionStartTime;
    char recordFolder[512];
    char defaultRecordFolder[512];
    char sessionPath[512];
    char fileShortName[512];
    FileStamp fileStamp;
    float rowPowerTotal;
    float rowTorqueTotal;
    float rowTorqueLeft;
    float rowTorqueRight;
    float rowRatioLeft;
    float phoneBattery;
    float sessionPowerSum;
    int sessionLiveRows; // rows written while frames arrived: the averages' count
    // Each row's instant and pedalling metrics, which the session file has no columns for: they
    // go into the ride's FIT and TCX files when the session closes.
    KeptSession kept;
    float sessionSpeedSum;
    float sessionPowerAverage;
    float sessionSpeedAverage;
    int sessionWriteFailed; // a row could not be written; told to the rider once
    int sessionFileLost;    // the file left its path and could not be written anew; told once
    double lastSyncTime;    // when the session file was last stored on disk
    int rowTicks;           // display ticks since the last row
    // Display ticks the session clock keeps the colour of a capture: negative while it shows it.
    int ledFlashTimer;

    // The raw stream beside the session file: its file (0 when none is written), the link ticks
    // since the stream's clock began and the tick of the last block written (the next head
    // counts from it), the setup its last setup block holds, and when it was last stored on
    // disk.
    int rawFile;
    char rawPath[512];
    int rawFileLost; // the stream left its path and could not be written anew; told once
    std::uint32_t rawTick;
    std::uint32_t rawLastTick;
    unsigned char rawSetup[rawSetupLength];
    double rawLastSync;
    // Blocks not yet written: the port's reads and setup changes wait for the next display
    // tick's block, which goes out with them in one write before that tick's row is written.
    std::vector<unsigned char> rawPending;
    // The link's history since the stream's clock began (the steady timer then), in blocks: a
    // session's stream begins with it, so its replay starts where the live station started.
    // Not kept once it outgrew its room, until the clock begins again.
    std::vector<unsigned char> rawPreroll;
    bool rawPrerollKept;
    double rawClockStart;

    int turnFile;
    int turnWriteFailed; // a header line of the turn file being written did not reach it
    double turnFileTime;
    char turnPath[512];

    // Multi-turn capture.
    CaptureState captureState;
    int captureFrames;
    int captureCount;
    float captureRight[captureCapacity];
    float captureLeft[captureCapacity];
    float capturePower[captureCapacity];

    RecordNotices notices;
    // Files of the recording that could not be written, or were lost and not written anew, and
    // the first such line told: what a station without a window reports as its failure.
    int filesNotWritten;
    char firstNotWritten[noticeLength];
};
