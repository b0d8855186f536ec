// The crank's numbers through a faulty link: two stations ride side by side on the virtual clock,
// one on a clean link and one on a link that drops or corrupts bytes, each on its own emulated
// crank pedalling the same stroke. Total power and cadence on the faulty link stay near the
// clean one's.
#include "app/callbacks.h"
#include "app/startup.h"
#include "tests/support/emulated_crank.h"
#include "tests/support/rider_station.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {
struct LinkFault {
    const char* name;
    double cadence;
    double dropShare;
    double corruptShare;
    double bound; // of the clean values
};

struct RideMeans {
    double power = 0.0;
    double cadence = 0.0;
    long long rejected = 0;
};

// A 2-minute ride, a pedal stroke on each side; the means of the panel's total power and cadence
// at every display tick once the first windows are past.
RideMeans Ride(RiderStation& rider, double cadence, double dropShare, double corruptShare) {
    rider.Use();
    EmulatedCrankSettings settings;
    settings.cadence = cadence;
    settings.rightPeak = 400.0;
    settings.leftPeak = 300.0;
    settings.dropShare = dropShare;
    settings.corruptShare = corruptShare;
    settings.seed = 20261207;
    PlayEmulatedCrank(rider.engine, "COM5", settings);
    std::ofstream(rider.folder / "zan_01.set") << MatchingSetupFile();
    std::ofstream(rider.folder / "zan_com.set") << "5\n0\n0\n0\n";
    EXPECT_EQ(StartStation(nullptr, ""), 0);
    RideMeans means;
    int ticks = 0;
    for (double t = 10.0; t <= 130.0; t += 0.5) {
        rider.engine.RunUntil(t);
        means.power += rider.station->powerTotal;
        means.cadence += rider.station->cadence;
        ticks += 1;
    }
    means.power /= ticks;
    means.cadence /= ticks;
    means.rejected = rider.station->screen.rejectedFrames;
    return means;
}

class LinkFaultsTest : public ::testing::TestWithParam<LinkFault> {
  protected:
    void SetUp() override {
        previous = std::filesystem::current_path();
        base = std::filesystem::temp_directory_path() /
               ("zan_link_faults_" + std::string(GetParam().name));
        std::filesystem::remove_all(base);
        for (RiderStation* rider : {&clean, &faulty}) {
            rider->folder = base / (rider == &clean ? "clean" : "faulty");
            std::filesystem::create_directories(rider->folder);
        }
    }
    void TearDown() override {
        UseEngine(nullptr);
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(base);
    }
    std::filesystem::path previous;
    std::filesystem::path base;
    RiderStation clean;
    RiderStation faulty;
};
} // namespace

TEST_P(LinkFaultsTest, PowerAndCadenceStayNearTheCleanLinks) {
    const LinkFault& fault = GetParam();
    const RideMeans truth = Ride(clean, fault.cadence, 0.0, 0.0);
    const RideMeans noisy = Ride(faulty, fault.cadence, fault.dropShare, fault.corruptShare);
    ASSERT_GT(truth.power, 100.0);
    EXPECT_NEAR(truth.cadence, fault.cadence, 0.5);
    EXPECT_EQ(truth.rejected, 0);
    EXPECT_NEAR(noisy.power, truth.power, fault.bound * truth.power);
    EXPECT_NEAR(noisy.cadence, truth.cadence, fault.bound * truth.cadence);
    if (fault.corruptShare > 0.0) {
        EXPECT_GT(noisy.rejected, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, LinkFaultsTest,
                         ::testing::Values(LinkFault{"corrupt1_60rpm", 60.0, 0.0, 0.01, 0.02},
                                           LinkFault{"drop1_60rpm", 60.0, 0.01, 0.0, 0.03},
                                           LinkFault{"corrupt5_60rpm", 60.0, 0.0, 0.05, 0.05},
                                           LinkFault{"corrupt1_90rpm", 90.0, 0.0, 0.01, 0.02},
                                           LinkFault{"drop1_90rpm", 90.0, 0.01, 0.0, 0.03},
                                           LinkFault{"corrupt5_90rpm", 90.0, 0.0, 0.05, 0.05}),
                         [](const auto& info) { return std::string(info.param.name); });
