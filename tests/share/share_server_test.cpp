#include "share/characteristics.h"
#include "share/share_server.h"
#include "station/followers.h"
#include "tests/support/share_client.h"
#include "tests/support/station_fixture.h"

#include <cmath>
#include <memory>

namespace {
class ShareServerTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        WriteFile("zan_01.set", MatchingSetupFile());
        WriteFile("zan_com.set", "5\n0\n1\n1\n");
        settings.rightPeak = 300.0;
        settings.leftPeak = 200.0;
        settings.heartRate = 135.0;
        settings.cadence = 84.0;
    }
    // Starts the station sharing on a free loopback port, the emulated crank riding.
    void StartSharingStation() {
        PlayEmulatedCrank(engine, "COM5", settings);
        zan.share.onForRun = true;
        zan.share.loopbackAnyPort = true;
        ASSERT_EQ(Start(), 0);
        ASSERT_TRUE(zan.share.listening);
        ASSERT_GT(zan.share.port, 0);
    }
    // An app that discovers the services and asks for power and heart rate notifications.
    void Subscribe(ShareTestClient& app) {
        ASSERT_TRUE(app.Connect(zan.share.port));
        app.Send(dcDiscoverServices, {});
        app.Send(dcDiscoverCharacteristics, ShortUuidBytes(cyclingPowerService));
        for (std::uint16_t uuid : {powerMeasurementUuid, heartRateMeasurementUuid}) {
            std::vector<std::uint8_t> enable = ShortUuidBytes(uuid);
            enable.push_back(1);
            app.Send(dcEnableNotifications, enable);
        }
    }
    // Rides to the time, the apps reading what arrived each half second.
    void RideUntil(double until, std::initializer_list<ShareTestClient*> apps) {
        for (; now < until;) {
            now += 0.5;
            engine.RunUntil(now);
            for (ShareTestClient* app : apps) app->Receive();
        }
    }

    EmulatedCrankSettings settings;
    double now = 0.0;
};

void CountWindow(void* count, const StationCore&, const WindowResult&) {
    *static_cast<int*>(count) += 1;
}
} // namespace

// Two apps read the station as a power sensor while the crank rides: power, balance and heart
// rate as the panel shows them, cadence from the crank's revolutions and their event times.
TEST_F(ShareServerTest, TwoAppsGetPowerBalanceCadenceAndHeartRateAsThePanelShows) {
    StartSharingStation();
    ShareTestClient first;
    ShareTestClient second;
    Subscribe(first);
    Subscribe(second);
    RideUntil(20.0, {&first, &second});
    EXPECT_EQ(SharingClients(zan.share), 2);

    for (ShareTestClient* app : {&first, &second}) {
        ASSERT_GE(app->messages.size(), 4u);
        // The requests' answers come first, in order, every one a success.
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(app->messages[i].header.sequence, i);
            EXPECT_EQ(app->messages[i].header.response, dcSuccess);
        }
        const auto powers = app->Notifications(powerMeasurementUuid);
        const auto hearts = app->Notifications(heartRateMeasurementUuid);
        ASSERT_GE(powers.size(), 8u);
        ASSERT_FALSE(hearts.empty());

        PowerMeasurement last{};
        ASSERT_TRUE(DecodePowerMeasurement(powers.back().data(),
                                           static_cast<int>(powers.back().size()), last));
        EXPECT_NEAR(last.power, Main(MAIN_POWER_TOTAL).value, 0.01 * Main(MAIN_POWER_TOTAL).value);
        ASSERT_TRUE(last.balanceKnown);
        EXPECT_NEAR(last.balanceLeftHalves / 2.0, Main(MAIN_BALANCE_LEFT).value, 1.0);
        EXPECT_NEAR(last.balanceLeftHalves / 2.0, 40.0, 2.0);
        EXPECT_EQ(hearts.back()[1], std::lround(Main(MAIN_HEART_RATE).value));
        EXPECT_EQ(hearts.back()[1], 135);
        EXPECT_TRUE(last.energyKnown);
        EXPECT_TRUE(last.forcesKnown);
        EXPECT_GT(last.maxForce, 150);
        // The emulator pushes on the downstroke alone: the power turns positive near the top and
        // stops near the bottom.
        ASSERT_TRUE(last.deadSpotsKnown);
        EXPECT_TRUE(last.topDeadSpot < 30 || last.topDeadSpot > 330) << last.topDeadSpot;
        EXPECT_NEAR(last.bottomDeadSpot, 180, 30);

        // Cadence as an app computes it: revolutions over their event times, wrapping at 16 bits.
        PowerMeasurement earlier{};
        const auto& before = powers[powers.size() - 6];
        ASSERT_TRUE(
            DecodePowerMeasurement(before.data(), static_cast<int>(before.size()), earlier));
        ASSERT_TRUE(earlier.crankKnown && last.crankKnown);
        const int revolutions =
            static_cast<std::uint16_t>(last.crankRevolutions - earlier.crankRevolutions);
        const int ticks = static_cast<std::uint16_t>(last.crankEventTime - earlier.crankEventTime);
        ASSERT_GT(ticks, 0);
        const double cadence = revolutions * 60.0 * 1024.0 / ticks;
        EXPECT_NEAR(cadence, Main(MAIN_CADENCE).value, 1.0);
        EXPECT_NEAR(cadence, settings.cadence, 1.0);
    }
}

// Junk on a third connection closes that one alone: the two apps are notified at every window
// as before, and the station's link and measurement go on.
TEST_F(ShareServerTest, JunkOnAThirdConnectionClosesItAloneAndChangesNothingElse) {
    StartSharingStation();
    int windows = 0;
    ASSERT_TRUE(Follow(zan.core.followers, WindowFollower{&windows, CountWindow}));
    ShareTestClient first;
    ShareTestClient second;
    ShareTestClient junk;
    Subscribe(first);
    Subscribe(second);
    ASSERT_TRUE(junk.Connect(zan.share.port));
    RideUntil(6.0, {&first, &second, &junk});
    const std::size_t firstBefore = first.Notifications(powerMeasurementUuid).size();
    const std::size_t secondBefore = second.Notifications(powerMeasurementUuid).size();
    const int windowsBefore = windows;

    // Unknown types are answered with their error; a length past any message closes it.
    junk.SendRaw({1, 0x77, 0, 0, 0, 0, 9, 9, 9});
    junk.SendRaw({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 1, 2, 3});
    RideUntil(16.0, {&first, &second, &junk});

    EXPECT_TRUE(junk.closed);
    ASSERT_FALSE(junk.messages.empty());
    EXPECT_EQ(junk.messages[0].header.response, dcUnknownType);
    EXPECT_EQ(SharingClients(zan.share), 2);
    const int windowsAfter = windows - windowsBefore;
    EXPECT_GE(windowsAfter, 6);
    EXPECT_EQ(first.Notifications(powerMeasurementUuid).size() - firstBefore,
              static_cast<std::size_t>(windowsAfter));
    EXPECT_EQ(second.Notifications(powerMeasurementUuid).size() - secondBefore,
              static_cast<std::size_t>(windowsAfter));
    EXPECT_FALSE(zan.measure.crankLost);
    EXPECT_EQ(zan.share.notificationsDropped, 0);
}

// A lost link sends no measurement: the apps hear nothing rather than zeros, and power again once
// frames come back.
TEST_F(ShareServerTest, ALostLinkSendsNoMeasurement) {
    WindowResult lost{};
    lost.crankLost = true;
    lost.powerTotal = 0.0f;
    ShareTally tally{};
    PowerMeasurement measurement{};
    EXPECT_FALSE(PowerOfWindow(tally, zan, lost, measurement));
    WindowResult unmeasured{};
    unmeasured.powerUnmeasured = true;
    EXPECT_FALSE(PowerOfWindow(tally, zan, unmeasured, measurement));
    WindowResult sound{};
    sound.powerTotal = 200.0f;
    sound.balanceLeft = 55.0f;
    EXPECT_TRUE(PowerOfWindow(tally, zan, sound, measurement));
    EXPECT_EQ(measurement.power, 200);
    EXPECT_EQ(measurement.balanceLeftHalves, 110);
    EXPECT_FALSE(measurement.crankKnown); // no mark seen yet
}

// An app that never reads has its notifications dropped at the limit, never queued beyond it;
// the others are served as before.
TEST_F(ShareServerTest, AnAppThatDoesNotReadHasNotificationsDroppedNotQueued) {
    StartSharingStation();
    ShareTestClient reader;
    ShareTestClient sleeper;
    Subscribe(reader);
    Subscribe(sleeper);
    RideUntil(1.0, {&reader});
    // Many windows' notifications, far more than the waiting limit and the system's buffers hold.
    WindowResult result{};
    result.powerTotal = 250.0f;
    result.balanceLeft = 50.0f;
    result.heartRate = 120.0f;
    for (int i = 0; i < 200000 && zan.share.notificationsDropped == 0; ++i) {
        ShareWindow(zan.share, zan, result);
        if (i % 64 == 0) reader.Receive();
    }
    EXPECT_GT(zan.share.notificationsDropped, 0);
    for (const ShareClient& client : zan.share.clients)
        EXPECT_LE(client.waitingCount, shareWaitingLimit);
    EXPECT_EQ(SharingClients(zan.share), 2);
}
