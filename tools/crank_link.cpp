#include "tools/crank_link.h"

#ifdef _WIN32

// Windows has no pseudo-terminals; pair two COM ports with a null-modem driver and point the
// station at one of them instead.
bool OpenCrankLink(CrankLink&, int, std::string& error) {
    error = "zan_crank needs pseudo-terminals, which Windows does not have";
    return false;
}
void CloseCrankLink(CrankLink&) {}
int ReadFromStation(CrankLink&, unsigned char*, int, bool&) {
    return -1;
}
int WriteToStation(CrankLink&, const unsigned char*, int) {
    return -1;
}
void WaitForStation(CrankLink&, int) {}

#else

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool Fail(CrankLink& link, std::string& error, const std::string& what) {
    error = what + ": " + std::strerror(errno);
    CloseCrankLink(link);
    return false;
}

// Raw at once: an echoing terminal would send the crank's own frames back to it as commands.
bool MakeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) return false;
    cfmakeraw(&settings);
    cfsetispeed(&settings, B38400);
    cfsetospeed(&settings, B38400);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

// The link the emulator made, if ports/COMk still points at its terminal.
bool LinkStillOurs(const CrankLink& link) {
    char target[256];
    ssize_t length = readlink(link.linkPath.c_str(), target, sizeof target - 1);
    if (length < 0) return false;
    target[length] = '\0';
    return link.slavePath == target;
}

} // namespace

bool OpenCrankLink(CrankLink& link, int port, std::string& error) {
    link.masterFd = posix_openpt(O_RDWR | O_NOCTTY);
    if (link.masterFd < 0) return Fail(link, error, "no pseudo-terminal");
    if (grantpt(link.masterFd) != 0 || unlockpt(link.masterFd) != 0)
        return Fail(link, error, "pseudo-terminal not granted");
    fcntl(link.masterFd, F_SETFD, FD_CLOEXEC);
    fcntl(link.masterFd, F_SETFL, fcntl(link.masterFd, F_GETFL) | O_NONBLOCK);
    const char* slaveName = ptsname(link.masterFd);
    if (slaveName == nullptr) return Fail(link, error, "pseudo-terminal without a name");
    link.slavePath = slaveName;
    link.slaveFd = open(slaveName, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (link.slaveFd < 0) return Fail(link, error, "cannot open " + link.slavePath);
    if (!MakeRaw(link.slaveFd)) return Fail(link, error, "cannot set " + link.slavePath + " raw");
#ifdef TIOCPKT
    // In packet mode the terminal tells the crank when the station flushes its queues, which the
    // station's serial layer does on every open: the crank sees a reconnect as the radio would.
    int packetMode = 1;
    link.seesOpens = ioctl(link.masterFd, TIOCPKT, &packetMode) == 0;
#endif

    if (mkdir("ports", 0777) != 0 && errno != EEXIST)
        return Fail(link, error, "cannot make ports/");
    std::string linkPath = "ports/COM" + std::to_string(port);
    struct stat existing {};
    if (lstat(linkPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        errno = EEXIST;
        return Fail(link, error, linkPath + " is there and is not a link; not replacing it");
    }
    // Made under a temporary name and renamed over the old link in one step, so a station
    // opening the port never finds it missing or half made.
    std::string temporary = "ports/.COM" + std::to_string(port) + "." + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(link.slavePath.c_str(), temporary.c_str()) != 0)
        return Fail(link, error, "cannot link " + temporary);
    if (rename(temporary.c_str(), linkPath.c_str()) != 0) {
        int renameErrno = errno;
        unlink(temporary.c_str());
        errno = renameErrno;
        return Fail(link, error, "cannot link " + linkPath);
    }
    link.linkPath = linkPath;
    return true;
}

void CloseCrankLink(CrankLink& link) {
    if (!link.linkPath.empty() && LinkStillOurs(link)) unlink(link.linkPath.c_str());
    link.linkPath.clear();
    if (link.slaveFd >= 0) close(link.slaveFd);
    if (link.masterFd >= 0) close(link.masterFd);
    link.slaveFd = -1;
    link.masterFd = -1;
}

int ReadFromStation(CrankLink& link, unsigned char* bytes, int size, bool& stationOpened) {
    if (link.masterFd < 0) return -1;
    if (!link.seesOpens) {
        ssize_t got = read(link.masterFd, bytes, static_cast<size_t>(size));
        if (got >= 0) return static_cast<int>(got);
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
    }
#ifdef TIOCPKT
    // Each packet is a status byte alone, or a zero byte followed by data.
    unsigned char packet[257];
    const size_t room = static_cast<size_t>(size < 256 ? size : 256) + 1;
    for (;;) {
        ssize_t got = read(link.masterFd, packet, room);
        if (got < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
        if (got == 0) return 0;
        if (packet[0] == TIOCPKT_DATA) {
            std::memcpy(bytes, packet + 1, static_cast<size_t>(got - 1));
            return static_cast<int>(got - 1);
        }
        if ((packet[0] & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE)) != 0) stationOpened = true;
    }
#else
    (void)bytes;
    (void)size;
    (void)stationOpened;
    return -1;
#endif
}

int WriteToStation(CrankLink& link, const unsigned char* bytes, int count) {
    if (link.masterFd < 0) return -1;
    ssize_t written = write(link.masterFd, bytes, static_cast<size_t>(count));
    if (written >= 0) return static_cast<int>(written);
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

void WaitForStation(CrankLink& link, int milliseconds) {
    pollfd input{link.masterFd, POLLIN, 0};
    poll(&input, 1, milliseconds);
}

#endif
