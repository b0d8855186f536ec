#include "share/characteristics.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {
std::vector<std::uint8_t> Encoded(const PowerMeasurement& m) {
    std::uint8_t bytes[powerMeasurementMost];
    const int count = EncodePowerMeasurement(m, bytes);
    return {bytes, bytes + count};
}
} // namespace

// Each group of fields appears after the power, in its place, only with its flag; multi-byte
// values little-endian; the balance with its left-pedal reference.
TEST(PowerMeasurementTest, EachKnownGroupIsLaidOutWithItsFlagAndNothingElse) {
    PowerMeasurement powerOnly{};
    powerOnly.power = -2;
    EXPECT_EQ(Encoded(powerOnly), (std::vector<std::uint8_t>{0x00, 0x00, 0xFE, 0xFF}));

    PowerMeasurement balance{};
    balance.power = 250;
    balance.balanceKnown = true;
    balance.balanceLeftHalves = 96; // 48 % left
    EXPECT_EQ(Encoded(balance), (std::vector<std::uint8_t>{0x03, 0x00, 0xFA, 0x00, 96}));

    PowerMeasurement crank{};
    crank.power = 300;
    crank.crankKnown = true;
    crank.crankRevolutions = 0x1234;
    crank.crankEventTime = 0xABCD;
    EXPECT_EQ(Encoded(crank),
              (std::vector<std::uint8_t>{0x20, 0x00, 0x2C, 0x01, 0x34, 0x12, 0xCD, 0xAB}));

    PowerMeasurement all{};
    all.power = 1;
    all.balanceKnown = true;
    all.balanceLeftHalves = 100;
    all.wheelKnown = true;
    all.wheelRevolutions = 0x01020304;
    all.wheelEventTime = 0x0506;
    all.crankKnown = true;
    all.crankRevolutions = 7;
    all.crankEventTime = 8;
    all.forcesKnown = true;
    all.maxForce = 400;
    all.minForce = -50;
    all.deadSpotsKnown = true;
    all.topDeadSpot = 350;
    all.bottomDeadSpot = 175;
    all.energyKnown = true;
    all.energy = 123;
    const std::vector<std::uint8_t> bytes = Encoded(all);
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(powerMeasurementMost));
    // Flags: balance, left reference, wheel, crank, extreme forces, both dead spots, energy.
    EXPECT_EQ(bytes[0], 0x73);
    EXPECT_EQ(bytes[1], 0x0E);
    EXPECT_EQ((std::vector<std::uint8_t>(bytes.begin() + 5, bytes.begin() + 11)),
              (std::vector<std::uint8_t>{0x04, 0x03, 0x02, 0x01, 0x06, 0x05}));
    EXPECT_EQ(bytes[17], 0xCE); // -50 N
    EXPECT_EQ(bytes[18], 0xFF);

    PowerMeasurement back{};
    ASSERT_TRUE(DecodePowerMeasurement(bytes.data(), static_cast<int>(bytes.size()), back));
    EXPECT_EQ(back.wheelRevolutions, all.wheelRevolutions);
    EXPECT_EQ(back.minForce, -50);
    EXPECT_EQ(back.topDeadSpot, 350);
    EXPECT_EQ(back.bottomDeadSpot, 175);
    EXPECT_EQ(back.energy, 123);
    // One byte short of any group is no measurement.
    EXPECT_FALSE(DecodePowerMeasurement(bytes.data(), static_cast<int>(bytes.size()) - 1, back));
}

// The feature names every group a measurement may carry, so an app reads them all.
TEST(PowerMeasurementTest, FeatureSupportsEveryGroupTheMeasurementCarries) {
    const std::uint32_t bits = PowerFeatureBits();
    EXPECT_EQ(bits, 0xDDu); // balance, wheel, crank, extreme magnitudes, dead spots, energy
    EXPECT_EQ(spiderLocation, 15);
}

TEST(HeartRateMeasurementTest, BeatsAreOneByteWithNoOtherFields) {
    std::uint8_t bytes[heartRateMeasurementBytes];
    EncodeHeartRate(135, bytes);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[1], 135);
    EncodeHeartRate(400, bytes);
    EXPECT_EQ(bytes[1], 255);
}
