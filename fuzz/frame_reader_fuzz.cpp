// The frame reader on any byte stream, cut into reads of any length, under any of the settings
// that change what a frame goes through; then the display and the window results on what it left.
//
// Input: two setting bytes, then steps. Setting byte 0: bits 0-1 revolution detection, bits 2-3
// the single side (modulo 3), bit 4 simulation, bit 5 past the handshake, bit 6 the service access
// code, bit 7 display filter off. Setting byte 1: bits 0-1 warm-up mode, bits 2-3 plot mode
// (both modulo 3). A step is a byte: bits 0-5 a length, then that many bytes are queued and read
// at once; a length of 0 with bit 6 set instead queues the previous step's bytes again 8 × R times
// (R the next byte), so long rides fit in a short input. Bit 7 asks for a display tick after the
// read.
#include "app/link_timer.h"
#include "app/station.h"
#include "fuzz/fuzz_station.h"
#include "link/frame_reader.h"
#include "link/revolution_tracking.h"
#include "measure/power.h"
#include "setup/catalogue.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {
constexpr int serviceAccessCode = 6868;
constexpr int handshakeDone = 100;
// Bounds the bytes one input queues, so a run stays fast: 160 kB is 9,000 frames, enough for a
// window at its longest.
constexpr std::size_t maxQueuedBytes = 160 * 1024;
constexpr int historyLast = 8000;

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    bool Empty() const { return at >= size; }
    std::uint8_t Next() { return at < size ? data[at++] : 0; }
    std::vector<std::uint8_t> Take(std::size_t count) {
        const std::size_t end = at + std::min(count, size - at);
        std::vector<std::uint8_t> bytes(data + at, data + end);
        at = end;
        return bytes;
    }

  private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

std::string Value(const char* name, int value) {
    return std::string(name) + " is " + std::to_string(value);
}

// The counters and indices that address the record's fixed arrays.
void ExpectIndicesInRange() {
    Station& zan = EngineStation();
    FUZZ_EXPECT(zan.link.assembler.rxPos >= 0 && zan.link.assembler.rxPos < frameLength,
                Value("rxPos", zan.link.assembler.rxPos));
    FUZZ_EXPECT(zan.link.frameIndex >= 0 && zan.link.frameIndex <= maxWindowFrames,
                Value("frameIndex", zan.link.frameIndex));
    FUZZ_EXPECT(zan.link.lastWindowFrames >= 0 && zan.link.lastWindowFrames <= maxWindowFrames,
                Value("lastWindowFrames", zan.link.lastWindowFrames));
    FUZZ_EXPECT(zan.measure.historyIndex >= 0 && zan.measure.historyIndex <= historyLast,
                Value("historyIndex", zan.measure.historyIndex));
    FUZZ_EXPECT(zan.measure.snapshotFrames >= 0 && zan.measure.snapshotFrames <= maxWindowFrames,
                Value("snapshotFrames", zan.measure.snapshotFrames));
    FUZZ_EXPECT(zan.measure.pedals.ratioRingIndex >= 0 && zan.measure.pedals.ratioRingIndex < 8,
                Value("ratioRingIndex", zan.measure.pedals.ratioRingIndex));
    FUZZ_EXPECT(zan.link.periodRingIndex >= 0 && zan.link.periodRingIndex < 4,
                Value("periodRingIndex", zan.link.periodRingIndex));
    FUZZ_EXPECT(zan.record.captureCount >= 0 && zan.record.captureCount <= captureCapacity,
                Value("captureCount", zan.record.captureCount));
    FUZZ_EXPECT(zan.link.handshakeFrames >= 0 && zan.link.handshakeFrames <= handshakeDone,
                Value("handshakeFrames", zan.link.handshakeFrames));
}

void ApplySettings(std::uint8_t first, std::uint8_t second) {
    Station& zan = EngineStation();
    zan.setup.setup.turnDetection = first & 3;
    zan.setup.singleSide = static_cast<SingleSide>((first >> 2 & 3) % 3);
    SetCtrlVal(zan.setup.mainPanel, MAIN_SINGLE_SIDE, static_cast<int>(zan.setup.singleSide));
    zan.setup.setup.simulation = first >> 4 & 1;
    if ((first & 0x20) != 0) zan.link.handshakeFrames = handshakeDone;
    if ((first & 0x40) != 0) zan.setup.accessCode = serviceAccessCode;
    if ((first & 0x80) != 0) zan.setup.setup.displayFilter = 0;
    zan.setup.warmupMode = (second & 3) % 3;
    // As the start gives it: a warm-up mode shows the warm-up panel at the first window's end.
    if (zan.setup.warmupMode > 0) zan.setup.warmupState = WarmupState::ToShow;
    SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, second >> 2 & 3);
}

void DisplayAndCheck(HeadlessEngine& engine) {
    DisplayTick();
    ExpectIndicesInRange();
    ExpectPanelsFinite(engine);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    FuzzFolder folder;
    FuzzStation station;
    Station& zan = *station.station;
    Input input(data, size);
    const std::uint8_t first = input.Next();
    ApplySettings(first, input.Next());

    std::size_t queued = 0;
    std::vector<std::uint8_t> bytes;
    while (!input.Empty()) {
        const std::uint8_t step = input.Next();
        const std::size_t length = step & 0x3F;
        int times = 1;
        if (length == 0 && (step & 0x40) != 0)
            times = 8 * input.Next();
        else
            bytes = input.Take(length);
        for (int i = 0; i < times && queued + bytes.size() <= maxQueuedBytes; ++i) {
            SendFromCrank(station.engine, bytes);
            queued += bytes.size();
        }
        ReadZAN(EngineStation());
        ExpectIndicesInRange();
        if ((step & 0x80) != 0) DisplayAndCheck(station.engine);
    }

    // The window ends where the stream stopped, and the display shows it in every plot mode.
    CalcWatt(zan.measure, CurrentPowerWindow(EngineStation()));
    zan.link.lastWindowFrames = zan.link.frameIndex;
    zan.link.frameIndex = 0;
    const int window = zan.link.lastWindowFrames;
    for (int mode = 0; mode < 4; ++mode) {
        zan.link.lastWindowFrames = window;
        SetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, mode);
        DisplayAndCheck(station.engine);
    }
    return 0;
}
