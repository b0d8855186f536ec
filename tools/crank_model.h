#pragma once
// What the emulated crank does: how the pedal forces go round a revolution, and how its firmware
// answers the bytes the station sends.

#include "protocol/station_bytes.h"

// --- Pedal stroke --------------------------------------------------------------------------------

// On the upstroke a pedal is lifted a little less than the leg's weight: it pulls back with up to
// this share of its peak force.
constexpr double upstrokeShare = 0.1;

// Force on one pedal at its own crank angle, in radians from top dead centre in the pedalling
// direction: peak * sin(angle)^peakedness on the downstroke (highest at 90 degrees), upstrokeShare
// of peak * sin(angle), negative, on the way back up. A peakedness of 1 is an even sine; a rider
// pushes hardest over a short part of the downstroke, as sin^4 to sin^8 does.
double PedalForce(double pedalAngle, double peakForce, double peakedness = 1.0);

struct StrokeSettings {
    double cadenceRpm;
    double framesPerSecond;
    double rightPeak;
    double leftPeak;
    double peakedness = 1.0;
};

struct CrankSample {
    // Right crank angle from top dead centre, 0 to 2 pi.
    double rightAngle;
    // True on the one frame where a revolution starts (the right pedal passed its top).
    bool revolutionStart;
    double rightForce;
    double leftForce;
};

// The crank at frame n, frame 0 with the right pedal at the top. Each frame is worked out from n
// alone, so an emulator running for hours keeps its cadence exactly. The left pedal is half a
// turn behind the right.
CrankSample SampleCrank(const StrokeSettings& stroke, long long frameNumber);

// --- A standing crank with a mass on a pedal -------------------------------------------------

// The crank horizontal, the loaded pedal forward: the mass's whole weight is on that pedal, and
// nothing on the other.
constexpr int mostStaticLoads = 4;

struct StaticLoad {
    double kg;
    bool left;
};

struct StaticLoads {
    int count;
    StaticLoad load[mostStaticLoads];
    // Seconds each mass hangs, each after as long with nothing on, the masses in turn; 0: the
    // first mass hangs for good.
    double phaseSeconds;
};

// The pedal forces, in newtons, at that time since the start.
void StaticForces(const StaticLoads& loads, double seconds, double& rightForce, double& leftForce);
// Reads "KG", "KG:right" or "KG:left" into the next load; false for anything else or too many.
bool AddStaticLoad(StaticLoads& loads, const char* text);

// --- Firmware ------------------------------------------------------------------------------------

// The station sends the quit byte three times when it closes; the third one silences the crank.
constexpr int quitsToSilence = 3;

// What a byte did to the crank, for the emulator's log.
enum class CrankHeard {
    Nothing,
    IdentityStart,
    IdentityEnd,
    KeepAlive,
    Quit,
    Silenced,
    MarkerOnly,
    Debug,
    ProgramStep,
    ProgramBroken,
    SerialProgrammed,
    Unknown,
};

struct CrankFirmware {
    int serial;
    int version;
    // Identity frames from a ':' until a ';'.
    bool identityFrames;
    // Set by '7'; the emulator marks every revolution anyway, so it only shows in the log.
    bool markerOnly;
    // Set by '8'; shows only in the log.
    bool debug;
    // Silent after three quit bytes, until the next ':' or keep-alive.
    bool silent;
    int quits;
    // Time of the last keep-alive and the gap before it, in seconds; -1 before the first.
    double lastKeepAlive;
    double keepAliveGap;
    // Serial programming: digits received so far, and how far the sequence has come (0 none).
    int programStep;
    int programDigits[3];
    // The serial number before the last programming, for the log.
    int previousSerial;
};

void StartFirmware(CrankFirmware& firmware, int serial, int version);
// Takes one byte from the station at the given time (seconds since start).
CrankHeard HearByte(CrankFirmware& firmware, unsigned char byte, double now);

// --- When the crank is on the air ----------------------------------------------------------------

struct StreamSettings {
    // Seconds the crank takes to answer: after it starts, after the station opens the port and
    // after a ':' that starts identity frames. 0 answers at once.
    double answerDelay;
    // Seconds after the start when the crank falls silent, and for how long; negative: never,
    // and for good.
    double silentAfter;
    double silentFor;
    // Seconds after the start when the link drops; negative: never. As a Bluetooth serial link,
    // a dropped one carries nothing until the station opens the port again.
    double dropLinkAfter;
};

// Why a frame due now is sent or not.
enum class OnAir {
    Streaming,
    Answering, // within the answer delay
    Silent,
    Dropped,
};

struct StreamState {
    double answerAt;
    bool linkDropped;
    // The link drops once; after the station's reopen it stays up.
    bool dropDone;
};

void StartStream(StreamState& state, const StreamSettings& settings, double now);
// The station opened the port: a dropped link is back, and the crank answers after its delay.
void StationOpened(StreamState& state, const StreamSettings& settings, double now);
// A ':' started identity frames: the crank answers them after its delay.
void IdentityRequested(StreamState& state, const StreamSettings& settings, double now);
// Whether the frame due at `now` (seconds since the start) goes out.
OnAir StreamNow(StreamState& state, const StreamSettings& settings, double now);
