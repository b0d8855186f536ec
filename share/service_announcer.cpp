#include "share/service_announcer.h"

#include <cstdio>

std::array<std::uint8_t, 6> SensorMacAddress(const std::string& crankSerial) {
    // FNV-1a: a fixed hash, so the address stays the crank's across runs and builds.
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : crankSerial) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    std::array<std::uint8_t, 6> mac{};
    for (std::size_t i = 0; i < mac.size(); ++i) {
        mac[i] = static_cast<std::uint8_t>(hash >> (8 * i));
    }
    // Locally administered (bit 1) and unicast (bit 0 clear): no maker's address is taken.
    mac[0] = static_cast<std::uint8_t>((mac[0] & 0xFC) | 0x02);
    return mac;
}

std::vector<TxtEntry> DirectConnectTxt(const std::array<std::uint8_t, 6>& mac,
                                       const std::string& serialNumber, bool heartRate) {
    char macText[18];
    std::snprintf(macText, sizeof macText, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    std::vector<TxtEntry> txt{{"ble-service-uuids", heartRate ? "0x1818,0x180D" : "0x1818"},
                              {"mac-address", macText}};
    if (!serialNumber.empty()) txt.push_back({"serial-number", serialNumber});
    return txt;
}

std::string AnnounceStatusText(const AnnounceStatus& status, const std::string& address,
                               std::uint16_t port) {
    const std::string where = address + ":" + std::to_string(port);
    switch (status.state) {
    case AnnounceState::Off:
        return "";
    case AnnounceState::Registering:
        return "announcing \"" + status.name + "\" on " + where;
    case AnnounceState::Announced:
        return "apps find \"" + status.name + "\" on " + where;
    case AnnounceState::NoResponder:
        return "no mDNS responder: type " + where + " in the app";
    case AnnounceState::Unsupported:
        return "this system cannot announce (Windows 10 or later can): type " + where +
               " in the app";
    case AnnounceState::Failed:
        return "mDNS announcement failed (" + status.detail + "): type " + where + " in the app";
    }
    return "";
}

#if !defined(__linux__) && !defined(_WIN32)
namespace {
class NoAnnouncer final : public ServiceAnnouncer {
  public:
    AnnounceStatus Announce(const std::string& name, std::uint16_t,
                            const std::vector<TxtEntry>&) override {
        status = {AnnounceState::Unsupported, name, ""};
        return status;
    }
    AnnounceStatus Status() const override { return status; }
    void Withdraw() override { status = {}; }

  private:
    AnnounceStatus status;
};
} // namespace

std::unique_ptr<ServiceAnnouncer> MakeSystemAnnouncer() {
    return std::make_unique<NoAnnouncer>();
}
#endif
