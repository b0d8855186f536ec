#pragma once
// An mDNS responder of the tests' own: a private D-Bus system bus, and on it an Avahi daemon in a
// network namespace of its own whose one interface is the loopback, so whatever it announces
// reaches no other address and the machine's own daemon never hears of it.

#ifdef __linux__

#include "tests/support/child_process.h"
#include "tests/support/private_bus.h"

#include <string>

class PrivateAvahi {
  public:
    PrivateAvahi() = default;
    ~PrivateAvahi();
    PrivateAvahi(const PrivateAvahi&) = delete;
    PrivateAvahi& operator=(const PrivateAvahi&) = delete;

    // Whether this machine lets a test make a network namespace; when not, the reason.
    static bool NamespacesAllowed(std::string& reason);

    // The bus alone, and this process's D-Bus clients pointed at it.
    bool StartBus() { return bus.Start(); }
    // The daemon on the bus, waited for until it answers.
    bool StartDaemon();
    void StopDaemon();

    // avahi-browse -rtp of the service type on the private bus: its resolved lines ('=' first).
    std::string Browse(const std::string& serviceType) const;
    std::string BusAddress() const { return bus.Address(); }
    std::string DaemonLog() const;

  private:
    PrivateBus bus;
    ChildProcess daemon;
};

#endif
