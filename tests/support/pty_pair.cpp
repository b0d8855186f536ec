#ifndef _WIN32

#include "tests/support/pty_pair.h"

#include "platform/serial_port.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace {

// Bytes through a pseudo-terminal are handed over by the kernel a moment after the write; a
// test waits for them this long at most before it counts them as lost. It bounds a failing test,
// it is not a speed requirement.
constexpr int patienceMs = 3000;
constexpr int napMs = 1;

} // namespace

PtyPair::PtyPair() {
    masterFd = posix_openpt(O_RDWR | O_NOCTTY);
    if (masterFd < 0) return;
    if (grantpt(masterFd) != 0 || unlockpt(masterFd) != 0) {
        CloseMaster();
        return;
    }
    const char* name = ptsname(masterFd);
    if (name == nullptr) {
        CloseMaster();
        return;
    }
    slavePath = name;
    int flags = fcntl(masterFd, F_GETFL);
    fcntl(masterFd, F_SETFL, flags | O_NONBLOCK);
    slaveFd = open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slaveFd < 0) return;
    // Raw from the start, so nothing the crank side sends is echoed back before the port opens.
    termios settings{};
    if (tcgetattr(slaveFd, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(slaveFd, TCSANOW, &settings);
    }
}

PtyPair::~PtyPair() {
    if (slaveFd >= 0) close(slaveFd);
    CloseMaster();
}

bool PtyPair::Send(const unsigned char* bytes, std::size_t count) {
    std::size_t sent = 0;
    int waited = 0;
    while (sent < count && masterFd >= 0) {
        ssize_t written = write(masterFd, bytes + sent, count - sent);
        if (written > 0) {
            sent += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR) return false;
        if (waited++ >= patienceMs) return false;
        pollfd room{masterFd, POLLOUT, 0};
        poll(&room, 1, napMs);
    }
    return sent == count;
}

std::vector<unsigned char> PtyPair::Receive(std::size_t count) {
    std::vector<unsigned char> received;
    int waited = 0;
    while (received.size() < count && masterFd >= 0 && waited < patienceMs) {
        unsigned char buffer[512];
        std::size_t wanted = count - received.size();
        if (wanted > sizeof buffer) wanted = sizeof buffer;
        ssize_t got = read(masterFd, buffer, wanted);
        if (got > 0) {
            received.insert(received.end(), buffer, buffer + got);
            continue;
        }
        if (got < 0 && errno != EAGAIN && errno != EINTR) break;
        pollfd input{masterFd, POLLIN, 0};
        poll(&input, 1, napMs);
        ++waited;
    }
    return received;
}

int PtyPair::SlaveQueued() const {
    int waiting = 0;
    if (slaveFd < 0 || ioctl(slaveFd, FIONREAD, &waiting) != 0) return -1;
    return waiting;
}

bool PtyPair::WaitSlaveQueued(int count) const {
    for (int waited = 0; waited < patienceMs; ++waited) {
        if (SlaveQueued() >= count) return true;
        poll(nullptr, 0, napMs);
    }
    return SlaveQueued() >= count;
}

void PtyPair::CloseMaster() {
    if (masterFd >= 0) close(masterFd);
    masterFd = -1;
}

ScopedPortsFolder::ScopedPortsFolder() {
    std::error_code error;
    previousFolder = std::filesystem::current_path(error).string();
    if (error) return;
    std::string pattern =
        (std::filesystem::temp_directory_path(error) / "zan_ports_XXXXXX").string();
    if (error) return;
    if (mkdtemp(pattern.data()) == nullptr) return;
    folder = pattern;
    std::filesystem::create_directory(std::filesystem::path(folder) / "ports", error);
    if (error) return;
    std::filesystem::create_directory(std::filesystem::path(folder) / "dev", error);
    if (error) return;
    std::filesystem::current_path(folder, error);
    entered = !error;
    // The machine's own /dev/rfcommk must not answer for a test's COMk.
    if (entered) SetSerialDeviceFolder(DeviceFolder().c_str());
}

std::string ScopedPortsFolder::DeviceFolder() const {
    return (std::filesystem::path(folder) / "dev").string();
}

bool ScopedPortsFolder::Bind(int number, const std::string& target) {
    if (!entered) return false;
    std::filesystem::path device =
        std::filesystem::path(DeviceFolder()) / ("rfcomm" + std::to_string(number));
    std::error_code error;
    std::filesystem::remove(device, error);
    std::filesystem::create_symlink(target, device, error);
    return !error;
}

ScopedPortsFolder::~ScopedPortsFolder() {
    std::error_code error;
    if (entered) SetSerialDeviceFolder(nullptr);
    if (entered) std::filesystem::current_path(previousFolder, error);
    // remove_all takes the links themselves, never what they point at.
    if (!folder.empty()) std::filesystem::remove_all(folder, error);
}

bool ScopedPortsFolder::Link(const char* comName, const std::string& target) {
    if (!entered) return false;
    std::filesystem::path link = std::filesystem::path(folder) / "ports" / comName;
    std::error_code error;
    std::filesystem::remove(link, error);
    std::filesystem::create_symlink(target, link, error);
    return !error;
}

#endif
