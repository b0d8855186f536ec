#pragma once
// The station's Direct Connect server is found by training apps through mDNS
// (_wahoo-fitness-tnp._tcp). The announcement goes through the system's own responder: Avahi on
// Linux, DnsServiceRegister on Windows 10 and later. Where none answers the rider types the
// address and port into the app, and the panel says so.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

inline constexpr const char* kDirectConnectServiceType = "_wahoo-fitness-tnp._tcp";
inline constexpr std::uint16_t kDirectConnectPort = 36866;

struct TxtEntry {
    std::string key;
    std::string value;
};

enum class AnnounceState {
    Off,         // nothing announced
    Registering, // handed to the responder, not yet confirmed on the network
    Announced,   // the responder answers for the service
    NoResponder, // no mDNS responder on this computer
    Unsupported, // the system has none the station can use (Windows before 10)
    Failed,      // the responder refused the service
};

struct AnnounceStatus {
    AnnounceState state = AnnounceState::Off;
    std::string name;   // the name announced, changed by the responder after a clash
    std::string detail; // the responder's own words on a failure
};

class ServiceAnnouncer {
  public:
    virtual ~ServiceAnnouncer() = default;
    // Announces the Direct Connect service under the name on the port, replacing an earlier
    // announcement. The responder confirms later: Status() follows it.
    virtual AnnounceStatus Announce(const std::string& name, std::uint16_t port,
                                    const std::vector<TxtEntry>& txt) = 0;
    virtual AnnounceStatus Status() const = 0;
    virtual void Withdraw() = 0;
};

// The system's responder; an announcer that answers Unsupported where the system has none.
std::unique_ptr<ServiceAnnouncer> MakeSystemAnnouncer();

// A MAC address of our own for the apps, which remember a sensor by it: locally administered,
// unicast, and the same for the same crank serial on every run and every computer.
std::array<std::uint8_t, 6> SensorMacAddress(const std::string& crankSerial);

// The TXT entries Direct Connect clients read: the BLE services offered, Heart Rate only while a
// strap reports, and the sensor's MAC address written as AA-BB-CC-DD-EE-FF.
std::vector<TxtEntry> DirectConnectTxt(const std::array<std::uint8_t, 6>& mac,
                                       const std::string& serialNumber, bool heartRate);

// The panel's line for the announcement, with the address the rider types where nothing
// announces it.
std::string AnnounceStatusText(const AnnounceStatus& status, const std::string& address,
                               std::uint16_t port);
