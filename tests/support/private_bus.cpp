#include "tests/support/private_bus.h"

#ifdef __linux__

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

PrivateBus::PrivateBus() {
    // One folder a process: libdbus reads the bus's address once, so every private bus of a test
    // program listens at the same path.
    folder = "/tmp/zan-bus-" + std::to_string(getpid());
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    if (!std::filesystem::create_directory(folder, error)) folder.clear();
}

PrivateBus::~PrivateBus() {
    daemon.Signal(SIGTERM);
    daemon.WaitForEnd(5);
    std::error_code error;
    if (!folder.empty()) std::filesystem::remove_all(folder, error);
}

bool PrivateBus::Start() {
    if (folder.empty()) return false;
    // Anyone on the private bus may own any name and call anyone: it holds the tests only.
    std::ofstream(folder + "/bus.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>system</type><listen>"
        << Address()
        << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/>"
           "<allow own=\"*\"/><allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
           "</policy></busconfig>\n";
    if (!daemon.Run({"/usr/bin/dbus-daemon", "--config-file=" + folder + "/bus.conf", "--nofork",
                     "--nopidfile"},
                    {}, folder + "/bus.log")) {
        return false;
    }
    setenv("DBUS_SYSTEM_BUS_ADDRESS", Address().c_str(), 1);
    return WaitForPath(folder + "/bus", 10);
}

#endif
