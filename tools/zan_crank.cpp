// zan_crank: a ZAN crank on a pseudo-terminal, for running and testing the station without one.
// It streams frames at a steady rate, answers the station's bytes and, on request, misbehaves.

#include "protocol/frame.h"
#include "protocol/identity.h"
#include "tools/crank_link.h"
#include "tools/crank_log.h"
#include "tools/crank_model.h"
#include "tools/crank_options.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <random>
#include <string>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) {
    stopSignal = signal;
}

// Frames further behind than this (the machine slept, the emulator was stopped) are skipped, not
// sent in a burst; the crank angle still follows the clock.
constexpr double longestLag = 1.0;
// Longest wait between two looks at the signals and the clock.
constexpr double longestWait = 0.05;

struct Emulator {
    CrankOptions options;
    CrankLink link;
    CrankFirmware firmware{};
    StrokeSettings stroke{};
    FrameScales scales{};
    std::mt19937_64 random;
    long long framesSent = 0;
    long long framesLost = 0;
    long long bytesDropped = 0;
    long long bytesCorrupted = 0;
    // The station is not reading and the terminal is full.
    bool blocked = false;
    // When frames go out, and what the log last said about it.
    StreamSettings airSettings{};
    StreamState air{};
    OnAir lastOnAir = OnAir::Streaming;
    // CrankSeconds() when the stream began: the options' times count from there.
    double start = 0.0;
};

// A uniform number in [0, 1) from the top 53 bits, the same on every platform for a given seed.
double Chance(std::mt19937_64& random) {
    return static_cast<double>(random() >> 11) * (1.0 / 9007199254740992.0);
}

void BuildFrame(const Emulator& emulator, long long frameNumber, unsigned char bytes[frameLength]) {
    const CrankOptions& options = emulator.options;
    CrankSample sample = SampleCrank(emulator.stroke, frameNumber);
    if (options.staticLoads.count > 0)
        StaticForces(options.staticLoads, static_cast<double>(frameNumber) / options.rate,
                     sample.rightForce, sample.leftForce);
    CrankFrame frame{};
    SetForceWords(frame, sample.rightForce, sample.leftForce, emulator.scales);
    if (emulator.firmware.identityFrames)
        SetIdentityWords(frame, emulator.firmware.serial, emulator.firmware.version);
    frame.spare = 0;
    frame.crankWord = CrankWord(options.cadence, sample.revolutionStart);
    frame.wheelWord = WheelWord(options.speed, options.wheelMm);
    frame.heartRateWord = HeartRateWord(options.heartRate);
    frame.battery = BatteryCode(options.battery);
    EncodeFrame(frame, bytes);
}

// Drops and corrupts bytes as the fault options ask; returns the bytes left.
int ApplyFaults(Emulator& emulator, const unsigned char* frame, unsigned char* out) {
    int count = 0;
    for (int i = 0; i < frameLength; ++i) {
        if (emulator.options.drop > 0.0 && Chance(emulator.random) < emulator.options.drop) {
            ++emulator.bytesDropped;
            continue;
        }
        unsigned char byte = frame[i];
        if (emulator.options.corrupt > 0.0 && Chance(emulator.random) < emulator.options.corrupt) {
            byte = static_cast<unsigned char>(emulator.random() & 0xFF);
            ++emulator.bytesCorrupted;
        }
        out[count++] = byte;
    }
    return count;
}

void LogOnAir(const Emulator& emulator, OnAir onAir) {
    const CrankOptions& options = emulator.options;
    switch (onAir) {
    case OnAir::Streaming:
        CrankLog("sending frames");
        break;
    case OnAir::Answering:
        CrankLog("answering in %g s", options.answerDelay);
        break;
    case OnAir::Silent:
        if (options.silentFor < 0.0)
            CrankLog("silent after %g s, as asked", options.silentAfter);
        else
            CrankLog("silent after %g s for %g s, as asked", options.silentAfter,
                     options.silentFor);
        break;
    case OnAir::Dropped:
        CrankLog("link dropped after %g s, as asked; frames again once the station reopens the "
                 "port",
                 options.dropLinkAfter);
        break;
    }
}

// False when the terminal failed.
bool SendFrame(Emulator& emulator, long long frameNumber, double now) {
    const OnAir onAir = StreamNow(emulator.air, emulator.airSettings, now);
    if (onAir != emulator.lastOnAir) LogOnAir(emulator, onAir);
    emulator.lastOnAir = onAir;
    if (onAir != OnAir::Streaming) return true;
    if (emulator.firmware.silent) return true;
    unsigned char frame[frameLength];
    BuildFrame(emulator, frameNumber, frame);
    unsigned char bytes[frameLength];
    int count = ApplyFaults(emulator, frame, bytes);
    int written = count > 0 ? WriteToStation(emulator.link, bytes, count) : 0;
    if (written < 0) {
        CrankError("the terminal failed while sending");
        return false;
    }
    if (written < count) {
        // Nobody reads the port and its buffer is full: the frame is lost, as over the air. A
        // cut frame does no harm, the next one starts with 0xFF.
        ++emulator.framesLost;
        if (!emulator.blocked)
            CrankLog("the station is not reading; frames are lost until it does");
        emulator.blocked = true;
        return true;
    }
    if (emulator.blocked) CrankLog("the station reads again");
    emulator.blocked = false;
    ++emulator.framesSent;
    return true;
}

void LogHeard(const Emulator& emulator, CrankHeard heard, unsigned char byte) {
    const CrankFirmware& firmware = emulator.firmware;
    switch (heard) {
    case CrankHeard::Nothing:
        break;
    case CrankHeard::IdentityStart:
        CrankLog("handshake ':': identity frames, serial %03d version %d", firmware.serial,
                 firmware.version);
        break;
    case CrankHeard::IdentityEnd:
        CrankLog("handshake ';': force frames again");
        break;
    case CrankHeard::KeepAlive:
        if (firmware.keepAliveGap < 0.0)
            CrankLog("keep-alive '3', the first");
        else
            CrankLog("keep-alive '3', %.1f s after the last", firmware.keepAliveGap);
        break;
    case CrankHeard::Quit:
        CrankLog("quit '4' (%d of %d)", firmware.quits, quitsToSilence);
        break;
    case CrankHeard::Silenced:
        CrankLog("quit '4' (%d of %d): silent until ':' or '3'", quitsToSilence, quitsToSilence);
        break;
    case CrankHeard::MarkerOnly:
        CrankLog("service '7': marker-only mode on");
        break;
    case CrankHeard::Debug:
        CrankLog("service '8': debug on");
        break;
    case CrankHeard::ProgramStep:
        CrankLog("serial programming: byte 0x%02X", byte);
        break;
    case CrankHeard::ProgramBroken:
        CrankLog("serial programming: byte 0x%02X out of order, sequence dropped", byte);
        break;
    case CrankHeard::SerialProgrammed:
        CrankLog("serial programming complete: serial %03d (was %03d)", firmware.serial,
                 firmware.previousSerial);
        break;
    case CrankHeard::Unknown:
        CrankLog("unknown byte 0x%02X from the station", byte);
        break;
    }
}

// Takes every byte the station has sent. False when the terminal failed.
bool HearStation(Emulator& emulator) {
    unsigned char bytes[256];
    for (;;) {
        bool opened = false;
        int got = ReadFromStation(emulator.link, bytes, static_cast<int>(sizeof bytes), opened);
        if (got < 0) {
            CrankError("the terminal failed while listening");
            return false;
        }
        const double now = CrankSeconds() - emulator.start;
        if (opened) {
            CrankLog("the station opened the port");
            StationOpened(emulator.air, emulator.airSettings, now);
        }
        if (got == 0) return true;
        for (int i = 0; i < got; ++i) {
            bool wasSilent = emulator.firmware.silent;
            CrankHeard heard = HearByte(emulator.firmware, bytes[i], CrankSeconds());
            if (wasSilent && !emulator.firmware.silent) CrankLog("awake again");
            if (heard == CrankHeard::IdentityStart)
                IdentityRequested(emulator.air, emulator.airSettings, now);
            LogHeard(emulator, heard, bytes[i]);
        }
    }
}

// Frame n goes out at start + n / rate on the monotonic clock, so the rate never drifts.
int Run(Emulator& emulator) {
    const CrankOptions& options = emulator.options;
    emulator.start = CrankSeconds();
    StartStream(emulator.air, emulator.airSettings, 0.0);
    long long frameNumber = 0;
    while (stopSignal == 0) {
        if (!HearStation(emulator)) return 1;
        double now = CrankSeconds() - emulator.start;
        if (options.disconnectAfter >= 0.0 && now >= options.disconnectAfter) {
            CrankLog("disconnecting after %g s, as asked", options.disconnectAfter);
            return 0;
        }
        double due = static_cast<double>(frameNumber) / options.rate;
        if (now >= due) {
            if (now - due > longestLag) {
                long long caughtUp = static_cast<long long>(now * options.rate);
                CrankLog("%lld frames late; skipping them", caughtUp - frameNumber);
                frameNumber = caughtUp;
            }
            if (!SendFrame(emulator, frameNumber, now)) return 1;
            ++frameNumber;
            continue;
        }
        double wait = due - now;
        if (options.disconnectAfter >= 0.0 && options.disconnectAfter - now < wait)
            wait = options.disconnectAfter - now;
        if (wait > longestWait) wait = longestWait;
        WaitForStation(emulator.link, static_cast<int>(std::ceil(wait * 1000.0)));
    }
    CrankLog("stopped by signal %d", static_cast<int>(stopSignal));
    return 0;
}

// One count a line, named, so a test reads what it needs.
bool WriteTotals(const Emulator& emulator, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) return false;
    std::fprintf(
        file, "frames_sent %lld\nframes_lost %lld\nbytes_dropped %lld\nbytes_corrupted %lld\n",
        emulator.framesSent, emulator.framesLost, emulator.bytesDropped, emulator.bytesCorrupted);
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char** argv) {
    Emulator emulator;
    std::string error;
    if (!ParseCrankOptions(argc, argv, emulator.options, error)) {
        CrankError("%s (zan_crank --help lists the options)", error.c_str());
        return 2;
    }
    const CrankOptions& options = emulator.options;
    if (options.help) {
        PrintCrankHelp(stdout);
        return 0;
    }
    SetCrankLogQuiet(options.quiet);
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
#ifdef SIGHUP
    std::signal(SIGHUP, OnStopSignal);
#endif
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif

    // A crank with a mass hung on it stands still.
    if (options.staticLoads.count > 0) emulator.options.cadence = 0.0;
    emulator.stroke = {options.cadence, options.rate, options.rightForce, options.leftForce,
                       options.peakedness};
    emulator.scales = {options.offset, options.gain, options.auxRatio};
    emulator.airSettings = {options.answerDelay, options.silentAfter, options.silentFor,
                            options.dropLinkAfter};
    emulator.random.seed(options.seed);
    StartFirmware(emulator.firmware, options.serial, options.version);

    if (!OpenCrankLink(emulator.link, options.port, error)) {
        CrankError("%s", error.c_str());
        return 1;
    }
    CrankLog("started: serial %03d version %d, %g rpm, right %g N, left %g N, %g frames/s",
             options.serial, options.version, options.cadence, options.rightForce,
             options.leftForce, options.rate);
    CrankLog("%s -> %s (port COM%d)", emulator.link.linkPath.c_str(),
             emulator.link.slavePath.c_str(), options.port);
    if (options.drop > 0.0 || options.corrupt > 0.0)
        CrankLog("faults: %g of bytes dropped, %g corrupted, seed %llu", options.drop,
                 options.corrupt, options.seed);

    int result = Run(emulator);
    CloseCrankLink(emulator.link);
    if (!options.totalsPath.empty() && !WriteTotals(emulator, options.totalsPath)) {
        CrankError("could not write the totals to %s", options.totalsPath.c_str());
        result = 1;
    }
    CrankLog("link removed; %lld frames sent, %lld lost while nobody read, %lld bytes dropped, "
             "%lld corrupted",
             emulator.framesSent, emulator.framesLost, emulator.bytesDropped,
             emulator.bytesCorrupted);
    return result;
}
