// The emulated crank: the pedal stroke over a revolution, the revolution marker and the answers
// of its firmware to the station's bytes.
#include "tools/crank_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

namespace {

constexpr double pi = 3.141592653589793;

std::vector<long long> MarkerFrames(const StrokeSettings& stroke, long long frames) {
    std::vector<long long> marked;
    for (long long n = 0; n < frames; ++n)
        if (SampleCrank(stroke, n).revolutionStart) marked.push_back(n);
    return marked;
}

std::set<long long> Gaps(const std::vector<long long>& marked) {
    std::set<long long> gaps;
    for (std::size_t i = 1; i < marked.size(); ++i) gaps.insert(marked[i] - marked[i - 1]);
    return gaps;
}

std::vector<CrankHeard> Hear(CrankFirmware& firmware, std::vector<unsigned char> bytes) {
    std::vector<CrankHeard> heard;
    for (unsigned char byte : bytes) heard.push_back(HearByte(firmware, byte, 0.0));
    return heard;
}

CrankFirmware Started(int serial = 123, int version = 4) {
    CrankFirmware firmware;
    StartFirmware(firmware, serial, version);
    return firmware;
}

// --- Revolution marker -------------------------------------------------------------------------

TEST(CrankMarker, At90RpmAnd50FramesASecondEveryThirtyThirdOrThirtyFourthFrameIsMarked) {
    std::vector<long long> marked = MarkerFrames({90.0, 50.0, 300.0, 300.0}, 1000);
    // 1.5 turns a second over 20 s of frames.
    EXPECT_EQ(marked.size(), 30u);
    EXPECT_EQ(marked.front(), 0);
    EXPECT_EQ(Gaps(marked), (std::set<long long>{33, 34}));
}

TEST(CrankMarker, WholeFramesPerTurnGiveAnEvenBeat) {
    EXPECT_EQ(Gaps(MarkerFrames({60.0, 50.0, 300.0, 300.0}, 1000)), (std::set<long long>{50}));
    // 213 frames a second, the link's full rate, at 90 rpm: 142 frames a turn.
    EXPECT_EQ(Gaps(MarkerFrames({90.0, 213.0, 300.0, 300.0}, 2000)), (std::set<long long>{142}));
}

TEST(CrankMarker, TheMarkedFrameIsTheFirstWithTheRightPedalPastTheTop) {
    StrokeSettings stroke{90.0, 50.0, 300.0, 300.0};
    double step = 2.0 * pi * 90.0 / 60.0 / 50.0;
    for (long long n = 1; n < 500; ++n) {
        CrankSample sample = SampleCrank(stroke, n);
        if (sample.revolutionStart) {
            EXPECT_LT(sample.rightAngle, step) << "frame " << n;
        } else {
            EXPECT_GE(sample.rightAngle, step - 1e-9) << "frame " << n;
        }
    }
}

TEST(CrankMarker, AStandingCrankMarksNothing) {
    EXPECT_TRUE(MarkerFrames({0.0, 50.0, 300.0, 300.0}, 500).empty());
}

TEST(CrankMarker, HoursOfFramesKeepTheCadenceExactly) {
    StrokeSettings stroke{90.0, 50.0, 300.0, 300.0};
    // Ten hours at 50 frames a second is 54000 turns, the last one starting on this frame.
    long long tenHours = 50LL * 3600 * 10;
    EXPECT_TRUE(SampleCrank(stroke, tenHours).revolutionStart);
    EXPECT_FALSE(SampleCrank(stroke, tenHours + 1).revolutionStart);
    EXPECT_FALSE(SampleCrank(stroke, tenHours - 1).revolutionStart);
}

// --- Pedal stroke ------------------------------------------------------------------------------

TEST(CrankStroke, APedalPushesOnItsDownstrokeAndPullsBackALittleOnTheUpstroke) {
    EXPECT_NEAR(PedalForce(0.0, 300.0), 0.0, 1e-9);
    EXPECT_NEAR(PedalForce(pi / 2, 300.0), 300.0, 1e-9);
    EXPECT_NEAR(PedalForce(pi, 300.0), 0.0, 1e-9);
    EXPECT_NEAR(PedalForce(3 * pi / 2, 300.0), -300.0 * upstrokeShare, 1e-9);
    EXPECT_GT(PedalForce(pi / 4, 300.0), 0.0);
    EXPECT_LT(PedalForce(5 * pi / 4, 300.0), 0.0);
}

TEST(CrankStroke, OverOneRevolutionEachPedalPeaksOnItsDownstroke) {
    // 1000 frames a turn.
    StrokeSettings stroke{60.0, 1000.0, 400.0, 250.0};
    CrankSample rightPeak = SampleCrank(stroke, 0);
    CrankSample leftPeak = rightPeak;
    double rightLowest = 0.0;
    for (long long n = 0; n < 1000; ++n) {
        CrankSample sample = SampleCrank(stroke, n);
        if (sample.rightForce > rightPeak.rightForce) rightPeak = sample;
        if (sample.leftForce > leftPeak.leftForce) leftPeak = sample;
        if (sample.rightForce < rightLowest) rightLowest = sample.rightForce;
    }
    // The right pedal peaks a quarter turn after its top, the left half a turn later.
    EXPECT_NEAR(rightPeak.rightAngle, pi / 2, 0.01);
    EXPECT_NEAR(rightPeak.rightForce, 400.0, 0.01);
    EXPECT_NEAR(leftPeak.rightAngle, 3 * pi / 2, 0.01);
    EXPECT_NEAR(leftPeak.leftForce, 250.0, 0.01);
    EXPECT_LT(rightLowest, 0.0);
    EXPECT_NEAR(rightLowest, -400.0 * upstrokeShare, 0.01);
}

TEST(CrankStroke, TheLeftPedalDoesWhatTheRightDidHalfATurnEarlier) {
    StrokeSettings stroke{60.0, 50.0, 300.0, 300.0};
    for (long long n = 0; n < 100; ++n)
        EXPECT_NEAR(SampleCrank(stroke, n + 25).leftForce, SampleCrank(stroke, n).rightForce, 1e-9)
            << "frame " << n;
}

// --- Firmware ----------------------------------------------------------------------------------

TEST(CrankFirmware, AColonStartsIdentityFramesUntilASemicolon) {
    CrankFirmware firmware = Started();
    EXPECT_FALSE(firmware.identityFrames);
    EXPECT_EQ(Hear(firmware, {':', ':', '3'}),
              (std::vector<CrankHeard>{CrankHeard::IdentityStart, CrankHeard::Nothing,
                                       CrankHeard::KeepAlive}));
    EXPECT_TRUE(firmware.identityFrames);
    EXPECT_EQ(Hear(firmware, {';', ';'}),
              (std::vector<CrankHeard>{CrankHeard::IdentityEnd, CrankHeard::Nothing}));
    EXPECT_FALSE(firmware.identityFrames);
}

TEST(CrankFirmware, TheSerialProgrammingSequenceMakesTheNumberTheCranksOwn) {
    CrankFirmware firmware = Started(123);
    EXPECT_EQ(Hear(firmware, {0x50, 0x60, 0x77, 0x81, '9'}),
              (std::vector<CrankHeard>{CrankHeard::ProgramStep, CrankHeard::ProgramStep,
                                       CrankHeard::ProgramStep, CrankHeard::ProgramStep,
                                       CrankHeard::SerialProgrammed}));
    EXPECT_EQ(firmware.serial, 7);
    EXPECT_EQ(firmware.previousSerial, 123);
    Hear(firmware, {0x59, 0x69, 0x79, 0x81, '9'});
    EXPECT_EQ(firmware.serial, 999);
}

TEST(CrankFirmware, AKeepAliveOrHandshakeByteBetweenProgrammingBytesDoesNotBreakTheSequence) {
    CrankFirmware firmware = Started(123);
    Hear(firmware, {0x54, '3', 0x65, ':', 0x76, 0x81, ';', '9'});
    EXPECT_EQ(firmware.serial, 456);
}

TEST(CrankFirmware, AnIncompleteOrDisorderedSequenceLeavesTheSerialAlone) {
    CrankFirmware firmware = Started(123);
    Hear(firmware, {0x54, 0x65, 0x76, '9'});
    EXPECT_EQ(firmware.serial, 123);
    EXPECT_EQ(Hear(firmware, {0x65, 0x54, 0x76}),
              (std::vector<CrankHeard>{CrankHeard::Unknown, CrankHeard::ProgramStep,
                                       CrankHeard::ProgramBroken}));
    Hear(firmware, {0x81, '9'});
    EXPECT_EQ(firmware.serial, 123);
    // A new start byte begins the sequence afresh.
    Hear(firmware, {0x51, 0x62, 0x52, 0x63, 0x74, 0x81, '9'});
    EXPECT_EQ(firmware.serial, 234);
}

TEST(CrankFirmware, ThreeQuitBytesSilenceTheCrankUntilAKeepAliveOrAColon) {
    CrankFirmware firmware = Started();
    Hear(firmware, {'4', '4'});
    EXPECT_FALSE(firmware.silent);
    EXPECT_EQ(HearByte(firmware, '4', 0.0), CrankHeard::Silenced);
    EXPECT_TRUE(firmware.silent);
    Hear(firmware, {';', '7'});
    EXPECT_TRUE(firmware.silent);
    HearByte(firmware, '3', 0.0);
    EXPECT_FALSE(firmware.silent);

    Hear(firmware, {'4', '4', '4'});
    EXPECT_TRUE(firmware.silent);
    EXPECT_EQ(HearByte(firmware, ':', 0.0), CrankHeard::IdentityStart);
    EXPECT_FALSE(firmware.silent);
}

TEST(CrankFirmware, QuitBytesCountAfreshOnceTheStationIsHeardAgain) {
    CrankFirmware firmware = Started();
    Hear(firmware, {'4', '4', '3', '4', '4'});
    EXPECT_FALSE(firmware.silent);
}

TEST(CrankFirmware, ServiceBytesTurnOnMarkerOnlyModeAndDebug) {
    CrankFirmware firmware = Started();
    EXPECT_EQ(HearByte(firmware, '7', 0.0), CrankHeard::MarkerOnly);
    EXPECT_TRUE(firmware.markerOnly);
    EXPECT_FALSE(firmware.debug);
    EXPECT_EQ(HearByte(firmware, '8', 0.0), CrankHeard::Debug);
    EXPECT_TRUE(firmware.debug);
}

TEST(CrankFirmware, AKeepAliveNotesItsTimeAndTheGapSinceTheLast) {
    CrankFirmware firmware = Started();
    HearByte(firmware, '3', 10.0);
    EXPECT_EQ(firmware.lastKeepAlive, 10.0);
    EXPECT_LT(firmware.keepAliveGap, 0.0);
    HearByte(firmware, '3', 20.5);
    EXPECT_EQ(firmware.lastKeepAlive, 20.5);
    EXPECT_DOUBLE_EQ(firmware.keepAliveGap, 10.5);
}

TEST(CrankFirmware, UnknownBytesChangeNothing) {
    CrankFirmware firmware = Started();
    EXPECT_EQ(Hear(firmware, {0x00, 'A', '9', 0x81, 0xFF}),
              std::vector<CrankHeard>(5, CrankHeard::Unknown));
    EXPECT_EQ(firmware.serial, 123);
    EXPECT_FALSE(firmware.identityFrames || firmware.silent || firmware.markerOnly ||
                 firmware.debug);
}

} // namespace

// --- A standing crank with masses hung in turn ---------------------------------------------------

TEST(StaticLoadTest, MassesHangInTurnEachAfterAPhaseWithNothingOn) {
    StaticLoads loads{};
    ASSERT_TRUE(AddStaticLoad(loads, "20"));
    ASSERT_TRUE(AddStaticLoad(loads, "15:left"));
    EXPECT_FALSE(AddStaticLoad(loads, "15:middle"));
    EXPECT_FALSE(AddStaticLoad(loads, "-1"));
    EXPECT_FALSE(AddStaticLoad(loads, "kg"));
    loads.phaseSeconds = 8.0;
    struct Case {
        double seconds;
        double right;
        double left;
    };
    const Case cases[] = {{1.0, 0.0, 0.0},    {9.0, 196.133, 0.0}, {17.0, 0.0, 0.0},
                          {25.0, 0.0, 147.1}, {33.0, 0.0, 0.0},    {41.0, 196.133, 0.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        double right = -1.0;
        double left = -1.0;
        StaticForces(loads, c.seconds, right, left);
        EXPECT_NEAR(right, c.right, 0.01);
        EXPECT_NEAR(left, c.left, 0.01);
    }
    loads.phaseSeconds = 0.0;
    double right = 0.0;
    double left = 0.0;
    StaticForces(loads, 1.0, right, left);
    EXPECT_NEAR(right, 196.133, 0.01);
}
