#include "app/link_timer.h"
#include "link/frame_reader.h"
#include "link/link_control.h"
#include "measure/pedal_forces.h"
#include "setup/catalogue.h"
#include "tests/support/frames.h"
#include "tests/support/station_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

class FrameReaderTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        engine.Device("COM1");
        ASSERT_EQ(Start(), 0);
        zan.setup.setup.rightForceOffset = 1000.0f;
        zan.setup.setup.leftForceOffset = 1000.0f;
        zan.setup.setup.rightAuxOffset = 1000.0f;
        zan.setup.setup.leftAuxOffset = 1000.0f;
        zan.setup.setup.rightForceGain = 0.5f;
        zan.setup.setup.leftForceGain = 0.5f;
        // Past the handshake, so no identity is read from force frames.
        zan.link.handshakeFrames = 100;
    }

    void Push(const std::vector<unsigned char>& bytes) {
        auto& input = engine.Device("COM1").input;
        input.insert(input.end(), bytes.begin(), bytes.end());
    }
    int Frames() const { return zan.link.frameCounter - 1000; }
    std::vector<unsigned char>& Sent() { return engine.Device("COM1").sent; }
    long CountSent(unsigned char byte) { return std::count(Sent().begin(), Sent().end(), byte); }
};

// --- Cutting the stream into frames ---

TEST_F(FrameReaderTest, StreamSplitAtEveryByteBoundaryGivesOneFramePerEighteenBytes) {
    std::vector<unsigned char> stream;
    for (int i = 0; i < 3; ++i) Append(stream, MakeFrame({.rightForce = 1100 + i}));
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        zan.link.frameCounter = 1000;
        zan.link.assembler.rxPos = 0;
        Push({stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut)});
        ReadZAN(EngineStation());
        Push({stream.begin() + static_cast<std::ptrdiff_t>(cut), stream.end()});
        ReadZAN(EngineStation());
        EXPECT_EQ(Frames(), 3) << "cut at " << cut;
        EXPECT_EQ(zan.link.rawRightForce, 1102);
    }
}

TEST_F(FrameReaderTest, EveryFrameTheCrankSentKeepsItsTwentyMillisecondsWhateverTheLinkDidToIt) {
    const struct {
        const char* what;
        void (*fault)(std::vector<unsigned char>& stream); // on the second of four frames
    } cases[] = {
        {"a byte dropped", [](auto& s) { s.erase(s.begin() + 18 + 9); }},
        {"a byte corrupted into 0xFF", [](auto& s) { s[18 + 5] = 0xFF; }},
        {"the start byte dropped", [](auto& s) { s.erase(s.begin() + 18); }},
        {"the start byte corrupted", [](auto& s) { s[18] = 0x12; }},
        {"eleven bytes lost in a burst",
         [](auto& s) { s.erase(s.begin() + 18 + 7, s.begin() + 36); }},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> stream;
        for (int i = 0; i < 4; ++i) Append(stream, MakeFrame({.rightForce = 1100 + i}));
        c.fault(stream);
        zan.link.frameCounter = 1000;
        Push(stream);
        ReadZAN(EngineStation());
        EXPECT_EQ(Frames(), 4) << c.what;
        EXPECT_EQ(zan.link.rawRightForce, 1103) << c.what;
    }
}

TEST_F(FrameReaderTest, StrayFFRestartsTheFrame) {
    std::vector<unsigned char> stream = MakeFrame({.rightForce = 1500});
    stream.resize(7);
    Append(stream, MakeFrame({.rightForce = 1200}));
    Push(stream);
    ReadZAN(EngineStation());
    // The frame the stray byte cut short counts as its 20 ms.
    EXPECT_EQ(Frames(), 2);
    EXPECT_EQ(zan.link.assembler.linkCutFrames, 1);
    EXPECT_EQ(zan.link.rawRightForce, 1200);
    EXPECT_FLOAT_EQ(zan.measure.pedals.rightForce, 100.0f);
}

TEST_F(FrameReaderTest, StreamWithoutFFIsProcessedEverySeventeenBytes) {
    Push(MakeFrame({.rightForce = 1200}));
    std::vector<unsigned char> rest = MakeFrame({.rightForce = 1300});
    rest.erase(rest.begin());
    Push(rest);
    Push(rest);
    ReadZAN(EngineStation());
    EXPECT_EQ(Frames(), 3);
    EXPECT_EQ(zan.link.rawRightForce, 1300);
    EXPECT_EQ(zan.link.assembler.rxPos, 1);
}

TEST_F(FrameReaderTest, EachCallCountsATickAndAFrameClearsTheCount) {
    ReadZAN(EngineStation());
    ReadZAN(EngineStation());
    EXPECT_EQ(zan.link.ticksSinceFrame, 2);
    Push(MakeFrame({}));
    ReadZAN(EngineStation());
    EXPECT_EQ(zan.link.ticksSinceFrame, 0);
}

// --- Decoding ---

TEST_F(FrameReaderTest, ChannelsAreDecodedWithOffsetsGainsAndTheCorrection) {
    zan.setup.setup.rightCorrectionCoeff = 0.5f;
    zan.setup.setup.leftCorrectionCoeff = -0.5f;
    zan.setup.setup.correctionReference = 57.0f;
    // The same frame each time.
    const auto next = [this] {
        Push(MakeFrame({.rightForce = 1200,
                        .rightAux = 1080,
                        .leftForce = 900,
                        .leftAux = 990,
                        .spare = 77,
                        .crankWord = 0x1234,
                        .wheelWord = 420,
                        .heartRateWord = 240,
                        .battery = 154}));
        ReadZAN(EngineStation());
    };
    next();
    EXPECT_FLOAT_EQ(zan.measure.pedals.rightForce, 100.0f * 0.99f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.leftForce, -50.0f * 1.01f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.rightAux, 80.0f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.leftAux, -10.0f);
    EXPECT_EQ(zan.link.rawSpareWord, 77);
    EXPECT_EQ(zan.link.crankPeriodWord, 0x1234 & 0x1FFF);
    EXPECT_EQ(zan.link.wheelPeriodWord, 420);
    EXPECT_EQ(zan.link.heartRateWord, 240);
    EXPECT_EQ(zan.link.batteryByte, 154);

    // A correction changed between frames is the next frame's, whichever of its figures changed.
    zan.setup.setup.correctionReference = 56.0f;
    next();
    EXPECT_FLOAT_EQ(zan.measure.pedals.rightForce, 99.5f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.leftForce, -50.25f);
    zan.setup.setup.rightCorrectionCoeff = 0.25f;
    next();
    EXPECT_FLOAT_EQ(zan.measure.pedals.rightForce, 99.75f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.leftForce, -50.25f);
    zan.setup.setup.leftCorrectionCoeff = 0.25f;
    next();
    EXPECT_FLOAT_EQ(zan.measure.pedals.leftForce, -49.875f);
}

TEST_F(FrameReaderTest, SingleSideReplacesTheMissingPedalByTheWarmupModesForce) {
    zan.setup.singleSide = SingleSide::RightOnly;
    zan.setup.warmupMode = 1;
    Push(MakeFrame({.rightForce = 1200, .leftForce = 1500, .leftAux = 1300}));
    ReadZAN(EngineStation());
    EXPECT_FLOAT_EQ(zan.measure.pedals.leftForce, 80.0f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.leftAux, 0.0f);
    EXPECT_EQ(zan.measure.pedals.counts.leftForce, 1160);
    EXPECT_EQ(zan.measure.pedals.counts.leftAux, 1000);
    // The link keeps the counts as the crank sent them.
    EXPECT_EQ(zan.link.rawLeftForce, 1500);
    EXPECT_FLOAT_EQ(zan.measure.pedals.rightForce, 100.0f);

    zan.setup.singleSide = SingleSide::LeftOnly;
    zan.setup.warmupMode = 2;
    zan.setup.setup.rightForceGain = 0.0f; // a zero gain must not break the raw counts
    Push(MakeFrame({.rightForce = 1200, .leftForce = 1500}));
    ReadZAN(EngineStation());
    EXPECT_FLOAT_EQ(zan.measure.pedals.rightForce, 150.0f);
    EXPECT_EQ(zan.measure.pedals.counts.rightForce, 2147483647);
    EXPECT_FLOAT_EQ(zan.measure.pedals.leftForce, 250.0f);
}

TEST_F(FrameReaderTest, PeaksKeepTheCompanionValuesOfTheirFrame) {
    zan.measure.pedals.rightForceMax = zan.measure.pedals.leftForceMax = -99999.0f;
    zan.measure.pedals.rightForceMin = zan.measure.pedals.leftForceMin = 99999.0f;
    Push(MakeFrame({.rightForce = 1400, .rightAux = 1100, .leftForce = 1040}));
    Push(MakeFrame({.rightForce = 1400, .rightAux = 1200, .leftForce = 1300, .leftAux = 1050}));
    Push(MakeFrame({.rightForce = 900, .leftForce = 960}));
    // A drop of 250 N in a frame is judged with the frame after it.
    Push(MakeFrame({.rightForce = 900, .leftForce = 960}));
    ReadZAN(EngineStation());
    EXPECT_FLOAT_EQ(zan.measure.pedals.rightForceMax, 200.0f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.rightAuxAtMax,
                    100.0f); // a tie does not replace the first peak
    EXPECT_FLOAT_EQ(zan.measure.pedals.leftForceAtRightMax, 20.0f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.leftForceMax, 150.0f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.leftAuxAtMax, 50.0f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.rightForceAtLeftMax, 200.0f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.rightForceMin, -50.0f);
    EXPECT_FLOAT_EQ(zan.measure.pedals.leftForceMin, -20.0f);
}

TEST_F(FrameReaderTest, AuxRatiosAreTheMeanOfTheLastEightFrames) {
    zan.setup.setup.rightRatioScale = 2.0f;
    zan.setup.setup.leftRatioScale = 1.0f;
    for (int i = 0; i < 8; ++i)
        Push(MakeFrame({.rightForce = 1200, .rightAux = 1050, .leftForce = 1100, .leftAux = 1010}));
    ReadZAN(EngineStation());
    EXPECT_FLOAT_EQ(AuxRatio(zan.measure.pedals.rightRatioRing), 1.0f);
    EXPECT_FLOAT_EQ(AuxRatio(zan.measure.pedals.leftRatioRing), 0.2f);
    for (int i = 0; i < 4; ++i)
        Push(MakeFrame({.rightForce = 1200, .rightAux = 1100, .leftForce = 1100, .leftAux = 1010}));
    ReadZAN(EngineStation());
    EXPECT_FLOAT_EQ(AuxRatio(zan.measure.pedals.rightRatioRing), 1.5f);
    EXPECT_EQ(zan.measure.pedals.ratioRingIndex, 4);
}

TEST_F(FrameReaderTest, RevolutionLampFollowsTheMarkerAndThePanelHearsOnlyOfChanges) {
    Push(MakeFrame({.crankWord = 0x2000 | 600}));
    ReadZAN(EngineStation());
    EXPECT_EQ(Main(MAIN_TURN_LED).value, 1);
    // The lamp goes out once the marker has been clear for three frames.
    for (int frame = 0; frame < 5; ++frame) Push(MakeFrame({.crankWord = 600}));
    ReadZAN(EngineStation());
    EXPECT_EQ(Main(MAIN_TURN_LED).value, 0);
    EXPECT_EQ(Main(MAIN_TURN_LED).setCount, 2);
}

TEST_F(FrameReaderTest, WindowNeverGrowsBeyondEightThousandFrames) {
    std::vector<unsigned char> stream;
    for (int i = 0; i < 8100; ++i) Append(stream, MakeFrame({}));
    Push(stream);
    ReadZAN(EngineStation());
    EXPECT_EQ(zan.link.frameIndex, 8000);
}

// --- The identity handshake ---

TEST_F(FrameReaderTest, HandshakeSendsFifteenRequestsReadsTheIdentityAndFourteenEnds) {
    zan.link.handshakeFrames = 0;
    zan.setup.setup.serialNumber = 123;
    std::vector<unsigned char> expected;
    for (int frame = 1; frame <= 100; ++frame) {
        // Up to the 50th no two frames in a row agree; the 51st and 52nd do, and the identity
        // once taken stays whatever comes after.
        const bool identity = frame == 51 || frame == 52;
        Push(identity ? MakeIdentityFrame(123, 4) : MakeIdentityFrame(frame % 2 ? 987 : 986, 1));
        ReadZAN(EngineStation());
        if (frame <= 15) expected.push_back(':');
        if (frame >= 52 && frame <= 65) expected.push_back(';');
        ASSERT_EQ(Sent(), expected) << "after frame " << frame;
        if (frame == 51) {
            EXPECT_EQ(zan.link.deviceSerial, 0);
        }
    }
    EXPECT_EQ(zan.link.deviceSerial, 123);
    EXPECT_EQ(zan.link.deviceVersion, 4);
    EXPECT_EQ(zan.link.crankIdentified, 1);
    EXPECT_EQ(zan.link.serialMismatch, 0);
    EXPECT_EQ(zan.link.handshakeFrames, 100);
    // The identity frames kept their time and nothing measured them.
    EXPECT_EQ(Frames(), 100);
    EXPECT_EQ(zan.link.frameIndex, 0);
    EXPECT_EQ(zan.link.rawRightForce, 0);
    EXPECT_FLOAT_EQ(zan.measure.powerSum, 0.0f);
    EXPECT_EQ(MainTitle(), "Orvelta (ZAN_pc Ver -> 1.6 (110126) ) (Setup file -> zan_01.set) "
                           "( Connected to ZAN -> SW_04  SN_123 )");
}

TEST_F(FrameReaderTest, HandshakeStartsAgainOnlyWhenItsCounterIsReset) {
    zan.link.handshakeFrames = 0;
    for (int frame = 0; frame < 200; ++frame) Push(MakeFrame({}));
    ReadZAN(EngineStation());
    EXPECT_EQ(CountSent(':'), 15);
    EXPECT_EQ(CountSent(';'), 14);
    zan.link.handshakeFrames = 0;
    for (int frame = 0; frame < 20; ++frame) Push(MakeFrame({}));
    ReadZAN(EngineStation());
    EXPECT_EQ(CountSent(':'), 30);
}

TEST_F(FrameReaderTest, CrankWithAnotherSerialNumberRaisesTheMismatch) {
    zan.setup.setup.serialNumber = 122;
    zan.link.handshakeFrames = 50;
    for (int frame = 0; frame < 2; ++frame) Push(MakeIdentityFrame(123, 4));
    ReadZAN(EngineStation());
    EXPECT_EQ(zan.link.deviceSerial, 123);
    EXPECT_EQ(zan.link.serialMismatch, 1);
    // Until the rider says Yes, the setup file keeps its own number.
    EXPECT_EQ(zan.link.crankIdentified, 0);
}

TEST_F(FrameReaderTest, IdentityIsTakenOnlyWhereTwoIdentityFramesInARowAgree) {
    const struct {
        const char* what;
        std::vector<unsigned char> (*frame)(int index); // the frame at each handshake count
        int serial;                                     // -1: no identity
    } cases[] = {
        {"a crank too old to send its identity: steady measuring frames",
         [](int) {
             return MakeFrame({.rightForce = 2 * 60,
                               .rightAux = 2 * 48,
                               .leftForce = 2 * 48,
                               .leftAux = 2 * 70,
                               .crankWord = 1000});
         },
         0},
        {"measuring frames whose crank period never holds",
         [](int index) { return MakeFrame({.crankWord = 400 + (index % 2) * 900}); }, -1},
        {"identity frames that never agree twice in a row",
         [](int index) { return MakeIdentityFrame(index % 2 ? 123 : 124, 4); }, -1},
        {"a corrupted frame between every two",
         [](int index) { return index % 2 ? MakeIdentityFrame(123, 4) : MakeFrame({}); }, -1},
        {"agreement before the 51st frame, disagreement after",
         [](int index) { return MakeIdentityFrame(index < 40 ? 123 : 990 + index % 2, 4); }, 123},
    };
    zan.setup.setup.serialNumber = 123;
    for (const auto& entry : cases) {
        RestartHandshake(EngineStation().link);
        zan.link.serialMismatch = 0;
        SetPanelAttribute(zan.setup.mainPanel, ATTR_TITLE, "");
        for (int index = 0; index < 100; ++index) {
            Push(entry.frame(index));
            ReadZAN(EngineStation());
        }
        const bool named = entry.serial >= 0;
        char title[16];
        std::snprintf(title, sizeof title, "SN_%03d", entry.serial);
        EXPECT_EQ(zan.link.deviceSerial, named ? entry.serial : 0) << entry.what;
        // Only a crank that said its number, the file's, writes it; another is asked about.
        EXPECT_EQ(zan.link.serialMismatch, named && entry.serial != 123 ? 1 : 0) << entry.what;
        EXPECT_EQ(zan.link.crankIdentified, entry.serial == 123 ? 1 : 0) << entry.what;
        EXPECT_EQ(MainTitle().find("SN_"), named ? MainTitle().find(title) : std::string::npos)
            << entry.what;
    }
}

// --- Simulation ---

TEST_F(FrameReaderTest, SimulationMakesOneFramePerCallWithItsOwnFrameClock) {
    zan.setup.setup.simulation = 1;
    Push(MakeFrame({.rightForce = 1300}));
    for (int call = 0; call < 10; ++call) ReadZAN(EngineStation());
    // 100.0 plus ten steps of 0.3 in double precision stays just below 103.
    EXPECT_EQ(zan.link.frameCounter, 102);
    EXPECT_NEAR(zan.link.simPhase, 0.5, 1e-12);
    EXPECT_NEAR(zan.measure.pedals.rightForce,
                std::sin(zan.link.simPhase) * 200.0 + 195.0 + zan.link.simDrift, 1e-4);
    EXPECT_NEAR(zan.measure.pedals.leftForce,
                std::sin(zan.link.simPhase + 3.1415926) * 200.0 + 205.0 - zan.link.simDrift, 1e-4);
    EXPECT_EQ(zan.link.wheelPeriodWord, 420);
    EXPECT_EQ(zan.link.heartRateWord, 240);
    EXPECT_EQ(zan.link.batteryByte, 154);
    EXPECT_EQ(zan.link.ticksSinceFrame, 0);
    // The real port is still drained; its frame counts as one more frame.
    EXPECT_EQ(zan.link.rawRightForce, 1300);
}

TEST_F(FrameReaderTest, SimulationDriftIsASawTooth) {
    zan.setup.setup.simulation = 1;
    int wraps = 0;
    double previous = 0.0;
    for (int call = 0; call < 7000; ++call) {
        ReadZAN(EngineStation());
        if (zan.link.simDrift < previous) ++wraps;
        previous = zan.link.simDrift;
    }
    EXPECT_EQ(wraps, 1);
    EXPECT_LT(zan.link.simDrift, 19.99);
}
