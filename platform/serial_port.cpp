#include "platform/serial_port.h"

#include "platform/port.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

constexpr int lowestPort = 1;
constexpr int highestPort = 255;
// Longest port number accepted in a COM name; keeps the number far from int overflow.
constexpr int comNumberDigits = 6;

// Result codes. Callers only look at the sign; the values tell the cases apart in a debugger.
constexpr int errorBadPort = -1;
constexpr int errorBadName = -2;
constexpr int errorBadSettings = -3;
constexpr int errorNoDevice = portOpenMissing;
constexpr int errorSetup = -5;
constexpr int errorNotOpen = -6;
constexpr int errorIo = -7;
constexpr int errorTimeout = -8;
constexpr int errorOpen = -11;
constexpr int noByte = -1;

// The station sets 5 ms at every open; a port keeps the time-out last given for its number.
constexpr int defaultTimeoutMs = 5;
constexpr double longestTimeoutSeconds = 60.0;

bool ValidPort(int port) {
    return port >= lowestPort && port <= highestPort;
}

int TimeoutMs(double seconds) {
    if (seconds > longestTimeoutSeconds) seconds = longestTimeoutSeconds;
    // Rounded up: a time-out below a millisecond still waits one, it is not "no wait at all".
    return static_cast<int>(std::ceil(seconds * 1000.0 - 1e-9));
}

// Rates the crank and its Bluetooth serial ports use; anything else is refused rather than
// silently opened at a rate nobody asked for.
constexpr long knownBauds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};

bool KnownBaud(long baud) {
    for (long known : knownBauds)
        if (known == baud) return true;
    return false;
}

bool ValidSettings(long baud, int parity, int dataBits, int stopBits) {
    return KnownBaud(baud) && parity >= 0 && parity <= 2 && dataBits >= 5 && dataBits <= 8 &&
           (stopBits == 1 || stopBits == 2);
}

} // namespace

namespace {

// Only the form the station itself writes ("COM%d"): no sign, no leading zero, no spaces, so one
// port has one name and one link. The digits, or nullptr when the name is not of that form.
const char* ComDigits(const char* deviceName) {
    if (deviceName == nullptr) return nullptr;
    if (deviceName[0] != 'C' || deviceName[1] != 'O' || deviceName[2] != 'M') return nullptr;
    const char* digits = deviceName + 3;
    if (digits[0] < '1' || digits[0] > '9') return nullptr;
    int count = 0;
    while (digits[count] >= '0' && digits[count] <= '9') {
        if (++count > comNumberDigits) return nullptr;
    }
    return digits[count] == '\0' ? digits : nullptr;
}

bool Fill(char* devicePath, int size, int written) {
    if (written >= 0 && written < size) return true;
    devicePath[0] = '\0';
    return false;
}

std::string chosenDeviceFolder;
bool deviceFolderChosen = false;

#ifndef _WIN32
// A link counts even when its device has gone: it was made for this port, and its open tells the
// rider the device is missing rather than quietly opening another one.
bool LinkPresent(const char* path) {
    struct stat info {};
    return lstat(path, &info) == 0;
}

bool DevicePresent(const char* path) {
    struct stat info {};
    return stat(path, &info) == 0;
}

// "<device folder>/rfcommk" for the digits of "COMk".
std::string RfcommPath(const char* digits) {
    return std::string(SerialDeviceFolder()) + "/rfcomm" + digits;
}
#endif

} // namespace

void SetSerialDeviceFolder(const char* folder) {
    deviceFolderChosen = folder != nullptr;
    chosenDeviceFolder = folder != nullptr ? folder : "";
}

const char* SerialDeviceFolder() {
    if (deviceFolderChosen) return chosenDeviceFolder.c_str();
    const char* fromEnvironment = std::getenv("ZAN_DEVICE_DIR");
    return fromEnvironment != nullptr && fromEnvironment[0] != '\0' ? fromEnvironment : "/dev";
}

int ResolveComName(const char* deviceName, char* devicePath, int size) {
    if (devicePath == nullptr || size <= 0) return -1;
    const char* digits = ComDigits(deviceName);
    if (digits == nullptr) return -1;
    const auto room = static_cast<size_t>(size);
#ifdef _WIN32
    // The device namespace reaches COM10 and above, which the bare name does not.
    return Fill(devicePath, size, std::snprintf(devicePath, room, "\\\\.\\%s", deviceName)) ? 0
                                                                                            : -1;
#else
    // The link in ports/ wins: it is how a test, the emulator or a USB adapter names its port.
    if (!Fill(devicePath, size, std::snprintf(devicePath, room, "ports/%s", deviceName))) return -1;
    if (LinkPresent(devicePath)) return 0;
    const std::string rfcomm = RfcommPath(digits);
    if (!DevicePresent(rfcomm.c_str())) return 0;
    return Fill(devicePath, size, std::snprintf(devicePath, room, "%s", rfcomm.c_str())) ? 0 : -1;
#endif
}

int SerialPortExists(const char* deviceName) {
    const char* digits = ComDigits(deviceName);
    if (digits == nullptr) return 0;
#ifdef _WIN32
    // Every COM port the system has, a Bluetooth link's included, is a DOS device of that name.
    char target[1024];
    if (QueryDosDeviceA(deviceName, target, static_cast<DWORD>(sizeof target)) != 0) return 1;
    return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? 1 : 0;
#else
    const std::string link = std::string("ports/") + deviceName;
    return LinkPresent(link.c_str()) || DevicePresent(RfcommPath(digits).c_str()) ? 1 : 0;
#endif
}

const char* SerialPortPlaces() {
#ifdef _WIN32
    return "the COM ports Windows lists";
#else
    static std::string places;
    places = std::string("ports/COMk links and ") + SerialDeviceFolder() + "/rfcommk";
    return places.c_str();
#endif
}

#ifdef _WIN32

namespace {

struct PortSlot {
    HANDLE handle = INVALID_HANDLE_VALUE;
    int timeoutMs = defaultTimeoutMs;
};

PortSlot ports[highestPort + 1];

// A COM port another program holds answers "access denied".
int OpenFailure(DWORD error) {
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) return portOpenBusy;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return errorNoDevice;
    return errorOpen;
}

bool ApplyTimeouts(const PortSlot& slot) {
    COMMTIMEOUTS timeouts{};
    // MAXDWORD interval with zero totals: ReadFile returns at once with what has arrived.
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant =
        static_cast<DWORD>(slot.timeoutMs > 0 ? slot.timeoutMs : 1);
    return SetCommTimeouts(slot.handle, &timeouts) != 0;
}

} // namespace

int SerialOpen(int port, const char* deviceName, long baud, int parity, int dataBits,
               int stopBits) {
    if (!ValidPort(port)) return errorBadPort;
    SerialClose(port);
    char devicePath[64];
    if (ResolveComName(deviceName, devicePath, static_cast<int>(sizeof devicePath)) != 0)
        return errorBadName;
    if (!ValidSettings(baud, parity, dataBits, stopBits)) return errorBadSettings;

    // No sharing: the port is this station's alone, and a second one is told it is busy.
    HANDLE handle = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return OpenFailure(GetLastError());

    SetupComm(handle, 4096, 4096);
    DCB dcb{};
    dcb.DCBlength = static_cast<DWORD>(sizeof dcb);
    if (!GetCommState(handle, &dcb)) {
        CloseHandle(handle);
        return errorSetup;
    }
    dcb.BaudRate = static_cast<DWORD>(baud);
    dcb.ByteSize = static_cast<BYTE>(dataBits);
    dcb.Parity = static_cast<BYTE>(parity == 1 ? ODDPARITY : parity == 2 ? EVENPARITY : NOPARITY);
    dcb.StopBits = static_cast<BYTE>(stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT);
    dcb.fBinary = TRUE;
    dcb.fParity = parity != 0 ? TRUE : FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(handle, &dcb)) {
        CloseHandle(handle);
        return errorSetup;
    }
    ports[port].handle = handle;
    if (!ApplyTimeouts(ports[port])) {
        SerialClose(port);
        return errorSetup;
    }
    // Frames queued while nobody listened are stale; the station wants the crank's present.
    PurgeComm(handle, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
    return 0;
}

int SerialSetTimeout(int port, double seconds) {
    if (!ValidPort(port) || !(seconds >= 0.0)) return errorBadSettings;
    ports[port].timeoutMs = TimeoutMs(seconds);
    if (ports[port].handle != INVALID_HANDLE_VALUE && !ApplyTimeouts(ports[port])) return errorIo;
    return 0;
}

int SerialClose(int port) {
    if (!ValidPort(port)) return errorBadPort;
    if (ports[port].handle != INVALID_HANDLE_VALUE) {
        CloseHandle(ports[port].handle);
        ports[port].handle = INVALID_HANDLE_VALUE;
    }
    return 0;
}

int SerialInQueueLength(int port) {
    if (!ValidPort(port) || ports[port].handle == INVALID_HANDLE_VALUE) return 0;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(ports[port].handle, &errors, &status)) return errorIo;
    return static_cast<int>(status.cbInQue);
}

int SerialReadByte(int port) {
    if (!ValidPort(port) || ports[port].handle == INVALID_HANDLE_VALUE) return noByte;
    unsigned char received = 0;
    DWORD got = 0;
    if (!ReadFile(ports[port].handle, &received, 1, &got, nullptr)) return errorIo;
    return got == 1 ? received : noByte;
}

int SerialReadBlock(int port, unsigned char* buffer, int count) {
    if (!ValidPort(port) || ports[port].handle == INVALID_HANDLE_VALUE || count <= 0) return noByte;
    DWORD got = 0;
    if (!ReadFile(ports[port].handle, buffer, static_cast<DWORD>(count), &got, nullptr))
        return errorIo;
    return got > 0 ? static_cast<int>(got) : noByte;
}

int SerialWriteByte(int port, int data) {
    if (!ValidPort(port) || ports[port].handle == INVALID_HANDLE_VALUE) return errorNotOpen;
    unsigned char value = static_cast<unsigned char>(data & 0xFF);
    DWORD put = 0;
    if (!WriteFile(ports[port].handle, &value, 1, &put, nullptr)) return errorIo;
    return put == 1 ? 1 : errorTimeout;
}

#else

namespace {

struct PortSlot {
    int fd = -1;
    int timeoutMs = defaultTimeoutMs;
};

PortSlot ports[highestPort + 1];

int OpenFailure(int error) {
    if (error == EBUSY) return portOpenBusy;
    if (error == EACCES || error == EPERM) return portOpenDenied;
    if (error == ENOENT || error == ENXIO || error == ENODEV || error == ENOTDIR)
        return errorNoDevice;
    return errorOpen;
}

struct BaudSpeed {
    long baud;
    speed_t speed;
};

constexpr BaudSpeed baudSpeeds[] = {
    {1200, B1200},     {2400, B2400},   {4800, B4800},   {9600, B9600},
    {19200, B19200},   {38400, B38400}, {57600, B57600}, {115200, B115200},
#ifdef B230400
    {230400, B230400},
#endif
};

bool SpeedOf(long baud, speed_t* speed) {
    for (const BaudSpeed& known : baudSpeeds) {
        if (known.baud != baud) continue;
        *speed = known.speed;
        return true;
    }
    return false;
}

bool Configure(int fd, long baud, int parity, int dataBits, int stopBits) {
    speed_t speed = B0;
    if (!SpeedOf(baud, &speed)) return false;
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) return false;
    // Raw bytes both ways: no echo, no line editing, no CR/LF translation, no XON/XOFF, so every
    // frame byte, 0x0A and 0x11 included, reaches the reader as the crank sent it.
    cfmakeraw(&settings);
    if (cfsetispeed(&settings, speed) != 0 || cfsetospeed(&settings, speed) != 0) return false;
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
    constexpr tcflag_t characterSizes[] = {CS5, CS6, CS7, CS8};
    settings.c_cflag |= characterSizes[dataBits - 5];
    if (parity == 1) settings.c_cflag |= PARENB | PARODD;
    if (parity == 2) settings.c_cflag |= PARENB;
    if (stopBits == 2) settings.c_cflag |= CSTOPB;
    // A Bluetooth serial port has no modem lines worth obeying: ignore carrier, no RTS/CTS.
    settings.c_cflag |= CLOCAL | CREAD;
#ifdef CRTSCTS
    settings.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // The station polls; a read returns what is there and never waits for more.
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &settings) != 0) return false;
    // Frames queued while nobody listened are stale; the station wants the crank's present.
    tcflush(fd, TCIOFLUSH);
    return true;
}

// Writes one byte with SIGPIPE held back, so a vanished peer shows as EPIPE and never ends the
// station. A tty does not raise SIGPIPE, but the port may be any device a link points at.
ssize_t WriteWithoutSigpipe(int fd, unsigned char value) {
    sigset_t pipeOnly;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    ssize_t written = write(fd, &value, 1);
    int writeErrno = errno;
    if (written < 0 && writeErrno == EPIPE && !alreadyPending) {
        // Take back the SIGPIPE this write raised before it is unblocked.
        timespec noWait{};
        sigtimedwait(&pipeOnly, nullptr, &noWait);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = writeErrno;
    return written;
}

} // namespace

int SerialOpen(int port, const char* deviceName, long baud, int parity, int dataBits,
               int stopBits) {
    if (!ValidPort(port)) return errorBadPort;
    SerialClose(port);
    char devicePath[64];
    if (ResolveComName(deviceName, devicePath, static_cast<int>(sizeof devicePath)) != 0)
        return errorBadName;
    if (!ValidSettings(baud, parity, dataBits, stopBits)) return errorBadSettings;

    // O_NONBLOCK: neither the open (no carrier wait) nor any later read or write may hang the
    // station. O_NOCTTY: the crank's port must never become the station's controlling terminal.
    int fd = open(devicePath, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return OpenFailure(errno);
    // The port is this station's alone, as Windows gives it: a second station (or a second open
    // through another link to the same device) finds it locked, whoever runs it, root included.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int lockErrno = errno;
        close(fd);
        return lockErrno == EWOULDBLOCK ? portOpenBusy : errorOpen;
    }
    if (!Configure(fd, baud, parity, dataBits, stopBits)) {
        close(fd);
        return errorSetup;
    }
    // Programs that take no lock (a terminal program, a modem manager) are kept out by the
    // terminal itself.
    ioctl(fd, TIOCEXCL);
    ports[port].fd = fd;
    return 0;
}

int SerialSetTimeout(int port, double seconds) {
    if (!ValidPort(port) || !(seconds >= 0.0)) return errorBadSettings;
    ports[port].timeoutMs = TimeoutMs(seconds);
    return 0;
}

int SerialClose(int port) {
    if (!ValidPort(port)) return errorBadPort;
    if (ports[port].fd >= 0) {
        // A pseudo-terminal outlives its slave's close: left exclusive, it could not be opened
        // again by anyone but root.
        ioctl(ports[port].fd, TIOCNXCL);
        close(ports[port].fd);
        ports[port].fd = -1;
    }
    return 0;
}

int SerialInQueueLength(int port) {
    if (!ValidPort(port) || ports[port].fd < 0) return 0;
    int waiting = 0;
    // A hung-up terminal (the crank's link gone, a pseudo-terminal's master closed) answers EIO.
    if (ioctl(ports[port].fd, FIONREAD, &waiting) != 0) return errorIo;
    return waiting;
}

int SerialReadByte(int port) {
    if (!ValidPort(port) || ports[port].fd < 0) return noByte;
    unsigned char received = 0;
    ssize_t got = read(ports[port].fd, &received, 1);
    if (got == 1) return received;
    // 0 is either "nothing yet" (VMIN 0) or a hung-up terminal; EAGAIN is nothing yet; EIO is
    // a vanished peer. None of them is a byte, and none of them waits.
    if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return errorIo;
    return noByte;
}

int SerialReadBlock(int port, unsigned char* buffer, int count) {
    if (!ValidPort(port) || ports[port].fd < 0 || count <= 0) return noByte;
    ssize_t got = read(ports[port].fd, buffer, static_cast<size_t>(count));
    if (got > 0) return static_cast<int>(got);
    if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return errorIo;
    return noByte;
}

int SerialWriteByte(int port, int data) {
    if (!ValidPort(port) || ports[port].fd < 0) return errorNotOpen;
    PortSlot& slot = ports[port];
    unsigned char value = static_cast<unsigned char>(data & 0xFF);
    ssize_t written = WriteWithoutSigpipe(slot.fd, value);
    if (written == 1) return 1;
    if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return errorIo;
    // The output queue is full: wait for room once, at most the port's time-out.
    pollfd room{slot.fd, POLLOUT, 0};
    int ready = poll(&room, 1, slot.timeoutMs);
    if (ready <= 0) return errorTimeout;
    if ((room.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return errorIo;
    written = WriteWithoutSigpipe(slot.fd, value);
    if (written == 1) return 1;
    if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return errorIo;
    return errorTimeout;
}

#endif

void SerialCloseAll() {
    for (int port = lowestPort; port <= highestPort; ++port) SerialClose(port);
}
