#include "tests/support/private_avahi.h"

#ifdef __linux__

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The command's standard output, or an empty text when it could not run.
std::string Output(const std::string& command) {
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return text;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
    pclose(pipe);
    return text;
}

} // namespace

PrivateAvahi::~PrivateAvahi() {
    StopDaemon();
}

bool PrivateAvahi::NamespacesAllowed(std::string& reason) {
    // The same unsharing the daemon gets: its own network and its own mounts.
    const int result = std::system("unshare -n -m true 2>/dev/null");
    if (result == 0) return true;
    reason = "this machine does not let a test make a network namespace (unshare -n -m failed); "
             "the announcement is tested only on a private loopback network";
    return false;
}

bool PrivateAvahi::StartDaemon() {
    // IPv4 on the loopback only; the host and workstation records stay out of the answers.
    std::ofstream(bus.Folder() + "/avahi.conf")
        << "[server]\nhost-name=zan-test\ndomain-name=local\n"
           "use-ipv4=yes\nuse-ipv6=no\nallow-interfaces=lo\n"
           "enable-dbus=yes\n[wide-area]\n"
           "enable-wide-area=no\n[publish]\n"
           "publish-hinfo=no\npublish-workstation=no\n";
    // The namespace's loopback starts down and without multicast. The daemon keeps its pid file
    // and socket in /run: a private /run in its own mounts leaves the machine's untouched.
    const std::string script = "ip link set lo up multicast on && mount -t tmpfs tmpfs /run && "
                               "exec avahi-daemon -f " +
                               bus.Folder() + "/avahi.conf --no-drop-root --no-chroot --no-rlimits";
    if (!daemon.Run({"/usr/bin/unshare", "-n", "-m", "/bin/sh", "-c", script},
                    {"DBUS_SYSTEM_BUS_ADDRESS=" + BusAddress()}, bus.Folder() + "/avahi.log")) {
        return false;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (DaemonLog().find("Server startup complete") == std::string::npos) {
        if (std::chrono::steady_clock::now() >= end || daemon.WaitForEnd(0)) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

void PrivateAvahi::StopDaemon() {
    daemon.Signal(SIGTERM);
    if (!daemon.WaitForEnd(5)) {
        daemon.Signal(SIGKILL);
        daemon.WaitForEnd(5);
    }
}

std::string PrivateAvahi::Browse(const std::string& serviceType) const {
    return Output("DBUS_SYSTEM_BUS_ADDRESS=" + BusAddress() + " timeout 20 avahi-browse -rtp " +
                  serviceType + " 2>/dev/null");
}

std::string PrivateAvahi::DaemonLog() const {
    return ReadAll(bus.Folder() + "/avahi.log");
}

#endif
