// The emulator's frames: layout, safe words and the scales that turn forces into counts.
#include "protocol/frame.h"
#include "protocol/identity.h"
#include "tools/crank_model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A frame as the emulator builds it for one crank sample.
CrankFrame EmulatedFrame(const CrankSample& sample, const FrameScales& scales, double cadence) {
    CrankFrame frame{};
    SetForceWords(frame, sample.rightForce, sample.leftForce, scales);
    frame.crankWord = CrankWord(cadence, sample.revolutionStart);
    frame.wheelWord = WheelWord(30.0, 2096.0);
    frame.heartRateWord = HeartRateWord(120.0);
    frame.battery = BatteryCode(80.0);
    return frame;
}

// True when byte 0 is 0xFF and no other byte is.
bool OnlyTheStartIs0xFF(const unsigned char bytes[frameLength]) {
    if (bytes[0] != 0xFF) return false;
    for (int i = 1; i < frameLength; ++i)
        if (bytes[i] == 0xFF) return false;
    return true;
}

// --- Layout ------------------------------------------------------------------------------------

TEST(CrankFrameLayout, AFrameIsEighteenBytesWritten) {
    // Filled with 0xFF: whatever the encoder writes stops being 0xFF, what it leaves stays.
    unsigned char buffer[frameLength + 4];
    std::memset(buffer, 0xFF, sizeof buffer);
    CrankFrame frame{};
    EncodeFrame(frame, buffer);
    EXPECT_EQ(buffer[0], 0xFF);
    for (int i = 1; i < frameLength; ++i) EXPECT_NE(buffer[i], 0xFF) << "byte " << i;
    for (int i = frameLength; i < frameLength + 4; ++i) EXPECT_EQ(buffer[i], 0xFF) << "byte " << i;
}

TEST(CrankFrameLayout, WordsGoLowByteFirstInTheirPlaces) {
    CrankFrame frame{0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0x2B0C, 0x0D0E, 0x00F0, 0x9A};
    unsigned char bytes[frameLength];
    EncodeFrame(frame, bytes);
    const unsigned char expected[frameLength] = {0xFF, 0x02, 0x01, 0x04, 0x03, 0x06,
                                                 0x05, 0x08, 0x07, 0x0A, 0x09, 0x0C,
                                                 0x2B, 0x0E, 0x0D, 0xF0, 0x00, 0x9A};
    for (int i = 0; i < frameLength; ++i) EXPECT_EQ(bytes[i], expected[i]) << "byte " << i;
    EXPECT_EQ(FrameWord(bytes, rightForceAt), 0x0102);
    EXPECT_EQ(FrameWord(bytes, leftAuxAt), 0x0708);
    EXPECT_EQ(FrameWord(bytes, crankWordAt), 0x2B0C);
    EXPECT_EQ(FrameWord(bytes, heartRateAt), 0x00F0);
}

// --- No 0xFF inside a frame --------------------------------------------------------------------

TEST(CrankFrameSafety, WordsAreKeptBelow0xFEFFWithoutA0xFFLowByte) {
    EXPECT_EQ(SafeWord(1234), 1234);
    EXPECT_EQ(SafeWord(0), 0);
    EXPECT_EQ(SafeWord(0xFEFE), 0xFEFE);
    EXPECT_EQ(SafeWord(0x12FF), 0x12FE);
    EXPECT_EQ(SafeWord(0x00FF), 0x00FE);
    EXPECT_EQ(SafeWord(0xFEFF), 0xFEFE);
    EXPECT_EQ(SafeWord(0xFFFF), 0xFEFE);
    EXPECT_EQ(SafeWord(70000), 0xFEFE);
    EXPECT_EQ(SafeWord(-3), 0);
    EXPECT_EQ(SafeByte(0xFF), 0xFE);
    EXPECT_EQ(SafeByte(154), 154);
    EXPECT_EQ(SafeByte(-1), 0);
}

TEST(CrankFrameSafety, ExtremeValuesNeverPutA0xFFInsideTheFrame) {
    const int extremes[] = {-1, 0, 0xFF, 0x1FF, 0x12FF, 0x1FFF, 0x3FFF, 0xFEFF, 0xFFFF, 100000};
    for (int value : extremes) {
        CrankFrame frame{value, value, value, value, value, value, value, value, value};
        unsigned char bytes[frameLength];
        EncodeFrame(frame, bytes);
        EXPECT_TRUE(OnlyTheStartIs0xFF(bytes)) << "value " << value;
    }
}

TEST(CrankFrameSafety, EmulatedFramesOverManyRevolutionsHaveTheirOnly0xFFAtByte0) {
    // Gains and offsets chosen so the counts sweep across many 0x..FF values.
    const FrameScales scales[] = {{1000.0, 0.5, 0.4}, {0.0, 0.01, 3.0}, {65000.0, 0.05, 10.0}};
    for (const FrameScales& scale : scales) {
        StrokeSettings stroke{73.0, 50.0, 1500.0, 900.0};
        for (long long n = 0; n < 2000; ++n) {
            unsigned char bytes[frameLength];
            EncodeFrame(EmulatedFrame(SampleCrank(stroke, n), scale, stroke.cadenceRpm), bytes);
            ASSERT_TRUE(OnlyTheStartIs0xFF(bytes)) << "frame " << n << ", offset " << scale.offset;
        }
    }
}

// --- Scales ------------------------------------------------------------------------------------

TEST(CrankFrameScales, ForceCountsAreOffsetPlusForceOverGain) {
    FrameScales scales{1000.0, 0.5, 0.4};
    EXPECT_EQ(ForceCounts(300.0, scales), 1600);
    EXPECT_EQ(ForceCounts(0.0, scales), 1000);
    EXPECT_EQ(ForceCounts(-30.0, scales), 940);
    EXPECT_EQ(AuxCounts(300.0, scales), 1120);
    EXPECT_EQ(AuxCounts(-30.0, scales), 988);
}

TEST(CrankFrameScales, CountsThatWouldFallBelowZeroAreSentAsZero) {
    FrameScales scales{10.0, 0.5, 0.4};
    EXPECT_EQ(ForceCounts(-100.0, scales), 0);
    EXPECT_EQ(AuxCounts(-100.0, scales), 0);
}

TEST(CrankFrameScales, TheCrankWordHoldsThePeriodInHalfMillisecondsAndTheMarkerInBit13) {
    EXPECT_EQ(CrankWord(90.0, false), 1333);
    EXPECT_EQ(CrankWord(90.0, true), 1333 | revolutionMarker);
    EXPECT_EQ(CrankWord(60.0, false), 2000);
    // Slower than 0x1FFF half-milliseconds a turn, or standing: the largest period.
    EXPECT_EQ(CrankWord(10.0, false), crankPeriodMask);
    EXPECT_EQ(CrankWord(0.0, false), crankPeriodMask);
    // ...which goes out as 0x1FFE, its low byte being 0xFF.
    CrankFrame frame{};
    frame.crankWord = CrankWord(0.0, false);
    unsigned char bytes[frameLength];
    EncodeFrame(frame, bytes);
    EXPECT_EQ(FrameWord(bytes, crankWordAt), 0x1FFE);
}

TEST(CrankFrameScales, WheelHeartRateAndBatteryAreSentAsTheStationReadsThem) {
    // 2.096 m at 30 km/h is 251.5 ms a wheel turn.
    EXPECT_EQ(WheelWord(30.0, 2096.0), 503);
    EXPECT_EQ(WheelWord(0.0, 2096.0), largestSafeWord);
    EXPECT_EQ(HeartRateWord(120.0), 240);
    EXPECT_EQ(HeartRateWord(72.5), 145);
    for (int percent : {0, 5, 80, 100}) EXPECT_EQ(5 * (BatteryCode(percent) - 138), percent);
}

// --- Identity ----------------------------------------------------------------------------------

TEST(CrankFrameIdentity, Serial123Version4GivesTwiceTheCodesOfItsDigits) {
    CrankFrame frame{};
    frame.crankWord = 0x2000 | 1333;
    frame.battery = 154;
    SetIdentityWords(frame, 123, 4);
    EXPECT_EQ(frame.rightForce, 98);
    EXPECT_EQ(frame.rightAux, 100);
    EXPECT_EQ(frame.leftForce, 102);
    EXPECT_EQ(frame.leftAux, 104);
    // The rest of the frame is left as it was.
    EXPECT_EQ(frame.crankWord, 0x2000 | 1333);
    EXPECT_EQ(frame.battery, 154);

    unsigned char bytes[frameLength];
    EncodeFrame(frame, bytes);
    EXPECT_EQ(FrameWord(bytes, rightForceAt), 98);
    EXPECT_EQ(FrameWord(bytes, rightAuxAt), 100);
    EXPECT_EQ(FrameWord(bytes, leftForceAt), 102);
    EXPECT_EQ(FrameWord(bytes, leftAuxAt), 104);
}

TEST(CrankFrameIdentity, LeadingZerosAndNinesAreDigitsToo) {
    CrankFrame frame{};
    SetIdentityWords(frame, 7, 0);
    EXPECT_EQ(std::vector<int>({frame.rightForce, frame.rightAux, frame.leftForce, frame.leftAux}),
              std::vector<int>({2 * '0', 2 * '0', 2 * '7', 2 * '0'}));
    SetIdentityWords(frame, 999, 9);
    EXPECT_EQ(std::vector<int>({frame.rightForce, frame.rightAux, frame.leftForce, frame.leftAux}),
              std::vector<int>({2 * '9', 2 * '9', 2 * '9', 2 * '9'}));
}

TEST(CrankFrameIdentity, TheStationReadsWhatTheCrankSentAndNothingACrankCannotBe) {
    struct Case {
        CrankFrame words;
        CrankIdentity read;
    };
    CrankFrame sent{};
    SetIdentityWords(sent, 123, 4);
    const Case cases[] = {
        {sent, {123, 4}},
        // Force frames are no identity: their digits fall outside 0..9.
        {CrankFrame{1000, 1000, 1000, 1000, 0, 0, 0, 0, 150}, {0, 0}},
        // A word below '0' gives a negative serial number.
        {CrankFrame{2 * '0', 2 * '0', 2 * '0' - 2, 2 * '1', 0, 0, 0, 0, 0}, {0, 1}},
        {CrankFrame{2 * '9', 2 * '9', 2 * '9', 2 * '9' + 2, 0, 0, 0, 0, 0}, {999, 0}},
    };
    for (const Case& c : cases) {
        const CrankIdentity identity = ReadIdentity(c.words);
        EXPECT_EQ(identity.serial, c.read.serial) << c.words.rightForce;
        EXPECT_EQ(identity.version, c.read.version) << c.words.leftAux;
    }
}

// A frame read whole and one read a byte at a time (put together from two reads) alike.
TEST(CrankFrameDecoding, DecodingGivesBackTheWordsLaidOutEvenWhereTheyHold0xFF) {
    const CrankFrame frames[] = {
        {0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0x2B0C, 0x0D0E, 0x00F0, 0x9A},
        {0xFFFF, 0x00FF, 0xFF00, 0, 1, 0x3FFF, 0xFEFE, 240, 0xFF},
    };
    for (const CrankFrame& frame : frames) {
        unsigned char bytes[frameLength];
        LayOutFrame(frame, bytes);
        EXPECT_EQ(bytes[0], 0xFF);
        for (const CrankFrame& back : {DecodeFrame(bytes), DecodeFrameBytes(bytes)})
            EXPECT_EQ(std::vector<int>({back.rightForce, back.rightAux, back.leftForce,
                                        back.leftAux, back.spare, back.crankWord, back.wheelWord,
                                        back.heartRateWord, back.battery}),
                      std::vector<int>({frame.rightForce, frame.rightAux, frame.leftForce,
                                        frame.leftAux, frame.spare, frame.crankWord,
                                        frame.wheelWord, frame.heartRateWord, frame.battery}));
    }
}

} // namespace
