#include "share/service_announcer.h"
#include "tests/support/private_avahi.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <chrono>
#include <set>
#include <thread>

namespace {

bool HasEntry(const std::vector<TxtEntry>& txt, const std::string& key, const std::string& value) {
    for (const TxtEntry& entry : txt) {
        if (entry.key == key) return entry.value == value;
    }
    return false;
}

TEST(DirectConnectTxt, NamesCyclingPowerAndHeartRateOnlyWhileAStrapReports) {
    const auto mac = SensorMacAddress("ZAN0042");
    EXPECT_TRUE(HasEntry(DirectConnectTxt(mac, "ZAN0042", false), "ble-service-uuids", "0x1818"));
    EXPECT_TRUE(
        HasEntry(DirectConnectTxt(mac, "ZAN0042", true), "ble-service-uuids", "0x1818,0x180D"));
    EXPECT_TRUE(HasEntry(DirectConnectTxt({0x02, 0xAB, 0x0C, 0x00, 0xFF, 0x10}, "", false),
                         "mac-address", "02-AB-0C-00-FF-10"));
    for (const TxtEntry& entry : DirectConnectTxt(mac, "", true)) {
        EXPECT_NE(entry.key, "serial-number")
            << "no serial number is announced before one is known";
    }
}

TEST(SensorMacAddress, IsTheCranksOwnOnEveryRunLocallyAdministeredAndUnicast) {
    EXPECT_EQ(SensorMacAddress("ZAN0042"), SensorMacAddress("ZAN0042"));
    std::set<std::array<std::uint8_t, 6>> seen;
    for (const char* serial : {"", "ZAN0042", "ZAN0043", "ZAN1042", "1"}) {
        const auto mac = SensorMacAddress(serial);
        EXPECT_EQ(mac[0] & 0x03, 0x02) << serial;
        seen.insert(mac);
    }
    EXPECT_EQ(seen.size(), 5u) << "different cranks are different sensors to the apps";
}

TEST(AnnounceStatusText, GivesTheAddressToTypeWheneverNothingAnnounces) {
    const std::string address = "192.168.1.20";
    EXPECT_EQ(AnnounceStatusText({AnnounceState::NoResponder, "ZAN", "Daemon not running"}, address,
                                 36866),
              "no mDNS responder: type 192.168.1.20:36866 in the app");
    for (AnnounceState state : {AnnounceState::Unsupported, AnnounceState::Failed}) {
        EXPECT_NE(AnnounceStatusText({state, "ZAN", "refused"}, address, 36866)
                      .find("type 192.168.1.20:36866 in the app"),
                  std::string::npos);
    }
    EXPECT_NE(AnnounceStatusText({AnnounceState::Announced, "ZAN 42", ""}, address, 36866)
                  .find("\"ZAN 42\""),
              std::string::npos);
    EXPECT_EQ(AnnounceStatusText({}, address, 36866), "");
}

#ifdef _WIN32

TEST(WindowsAnnouncement, BeforeWindows10TheStationStartsAndSaysItCannotAnnounce) {
    const HMODULE dnsapi = LoadLibraryW(L"dnsapi.dll");
    if (dnsapi && GetProcAddress(dnsapi, "DnsServiceRegister")) {
        GTEST_SKIP() << "this Windows has DnsServiceRegister: announcing would reach the network";
    }
    auto announcer = MakeSystemAnnouncer();
    const auto txt = DirectConnectTxt(SensorMacAddress("ZAN0042"), "", false);
    EXPECT_EQ(announcer->Announce("ZAN station", kDirectConnectPort, txt).state,
              AnnounceState::Unsupported);
    EXPECT_NE(AnnounceStatusText(announcer->Status(), "127.0.0.1", kDirectConnectPort)
                  .find("type 127.0.0.1:36866 in the app"),
              std::string::npos);
    announcer->Withdraw();
    EXPECT_EQ(announcer->Status().state, AnnounceState::Off);
}

#endif

#ifdef __linux__

// Waits a bounded real time for the responder's answer on the announcement.
AnnounceState SettledState(const ServiceAnnouncer& announcer) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (announcer.Status().state == AnnounceState::Registering &&
           std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return announcer.Status().state;
}

bool WaitFor(const ServiceAnnouncer& announcer, AnnounceState state) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (announcer.Status().state != state && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return announcer.Status().state == state;
}

class LoopbackAnnouncement : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string reason;
        if (!PrivateAvahi::NamespacesAllowed(reason)) GTEST_SKIP() << reason;
        ASSERT_TRUE(avahi.StartBus());
    }
    void StartDaemon() { ASSERT_TRUE(avahi.StartDaemon()) << avahi.DaemonLog(); }

    PrivateAvahi avahi;
};

TEST_F(LoopbackAnnouncement, AppsBrowsingTheLoopbackFindTheStationWithItsPortAndServices) {
    StartDaemon();
    auto announcer = MakeSystemAnnouncer();
    const auto mac = SensorMacAddress("ZAN0042");
    announcer->Announce("ZAN station", kDirectConnectPort, DirectConnectTxt(mac, "ZAN0042", true));
    ASSERT_EQ(SettledState(*announcer), AnnounceState::Announced) << announcer->Status().detail;

    const std::string found = avahi.Browse(kDirectConnectServiceType);
    EXPECT_NE(found.find("=;lo;IPv4;ZAN\\032station;_wahoo-fitness-tnp._tcp;local;zan-test.local;"
                         "127.0.0.1;36866;"),
              std::string::npos)
        << found;
    EXPECT_NE(found.find("\"ble-service-uuids=0x1818,0x180D\""), std::string::npos) << found;
    EXPECT_NE(found.find("\"mac-address=" + DirectConnectTxt(mac, "", false)[1].value + "\""),
              std::string::npos)
        << found;
    EXPECT_NE(found.find("\"serial-number=ZAN0042\""), std::string::npos) << found;

    announcer->Withdraw();
    EXPECT_EQ(announcer->Status().state, AnnounceState::Off);
    // The withdrawal's goodbye leaves the browsers' caches a second later.
    bool gone = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!gone && std::chrono::steady_clock::now() < end) {
        gone = avahi.Browse(kDirectConnectServiceType).find("ZAN\\032station") == std::string::npos;
    }
    EXPECT_TRUE(gone) << "a withdrawn station is no longer offered";
}

TEST_F(LoopbackAnnouncement, ASecondStationOfTheSameNameIsAnnouncedUnderTheNextFreeName) {
    StartDaemon();
    auto first = MakeSystemAnnouncer();
    auto second = MakeSystemAnnouncer();
    const auto txt = DirectConnectTxt(SensorMacAddress("ZAN0042"), "", false);
    first->Announce("ZAN station", kDirectConnectPort, txt);
    ASSERT_EQ(SettledState(*first), AnnounceState::Announced);
    second->Announce("ZAN station", 36867, txt);
    ASSERT_EQ(SettledState(*second), AnnounceState::Announced) << second->Status().detail;
    EXPECT_EQ(second->Status().name, "ZAN station #2");

    // avahi-browse -p writes a space as \032 and '#' as \035.
    const std::string found = avahi.Browse(kDirectConnectServiceType);
    EXPECT_NE(found.find("ZAN\\032station;_wahoo-fitness-tnp._tcp;local;zan-test.local;127.0.0.1;"
                         "36866;"),
              std::string::npos)
        << found;
    EXPECT_NE(found.find("ZAN\\032station\\032\\0352;_wahoo-fitness-tnp._tcp;local;zan-test.local;"
                         "127.0.0.1;36867;"),
              std::string::npos)
        << found;
}

TEST_F(LoopbackAnnouncement, WithoutAResponderThePanelAsksForTheAddressUntilOneIsBack) {
    auto announcer = MakeSystemAnnouncer();
    const auto txt = DirectConnectTxt(SensorMacAddress("ZAN0042"), "", false);
    EXPECT_EQ(announcer->Announce("ZAN station", kDirectConnectPort, txt).state,
              AnnounceState::NoResponder);
    EXPECT_EQ(AnnounceStatusText(announcer->Status(), "127.0.0.1", kDirectConnectPort),
              "no mDNS responder: type 127.0.0.1:36866 in the app");

    // Avahi started late, stopped during the ride and started again: each time it is back it
    // announces the station without the rider doing anything.
    for (int run = 0; run < 2; ++run) {
        StartDaemon();
        ASSERT_TRUE(WaitFor(*announcer, AnnounceState::Announced)) << "run " << run;
        EXPECT_NE(avahi.Browse(kDirectConnectServiceType).find("ZAN\\032station"),
                  std::string::npos);
        avahi.StopDaemon();
        ASSERT_TRUE(WaitFor(*announcer, AnnounceState::NoResponder))
            << "a responder that went away no longer finds the station for the apps";
    }
}

#endif

} // namespace
