// The real serial ports, driven through pseudo-terminals: the master side plays the crank and its
// slave is linked as ports/COMk in a temporary working folder, the way a Bluetooth port is. The
// COM names resolve on every system; Windows opens them itself (tests/link/com_port_test.cpp).
#include "platform/serial_port.h"

#include "platform/port.h"

#include <gtest/gtest.h>

#include <string>

namespace {

#ifdef _WIN32
// The device namespace, which reaches COM10 and above.
const std::string comDevicePrefix = "\\\\.\\";
#else
const std::string comDevicePrefix = "ports/";
#endif

std::string Resolved(const char* name) {
    char path[64] = "untouched";
    if (ResolveComName(name, path, static_cast<int>(sizeof path)) != 0) return "refused";
    return path;
}

// --- COM names ---------------------------------------------------------------------------------

TEST(SerialPortNames, ComAndANumberResolveToTheDeviceOrItsLinkInPorts) {
    for (std::string name : {"COM5", "COM1", "COM12", "COM255"})
        EXPECT_EQ(Resolved(name.c_str()), comDevicePrefix + name);
}

TEST(SerialPortNames, NamesThatAreNotComAndANumberAreRefused) {
    const char* names[] = {"",
                           "COM",
                           "COM0",
                           "COM05",
                           "COM-1",
                           "COM+1",
                           "COM5x",
                           "COM 5",
                           " COM5",
                           "com5",
                           "Com5",
                           "LPT1",
                           "COM5 ",
                           "COM1.5",
                           "COMX",
                           "/dev/tty",
                           "COM99999999999999999999"};
    for (const char* name : names) EXPECT_EQ(Resolved(name), "refused") << '"' << name << '"';
    EXPECT_LT(ResolveComName(nullptr, nullptr, 0), 0);
}

TEST(SerialPortNames, APathThatDoesNotFitTheBufferIsRefused) {
    const std::string whole = comDevicePrefix + "COM5";
    const int size = static_cast<int>(whole.size()) + 1;
    char path[16];
    EXPECT_LT(ResolveComName("COM5", path, size - 1), 0);
    EXPECT_STREQ(path, "");
    EXPECT_EQ(ResolveComName("COM5", path, size), 0);
    EXPECT_EQ(path, whole);
}

} // namespace

#ifndef _WIN32

#include "tests/support/pty_pair.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <limits>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int crankPort = 5;
constexpr int patienceMs = 3000;

std::vector<unsigned char> EveryByteValue() {
    std::vector<unsigned char> bytes(256);
    for (int value = 0; value < 256; ++value) bytes[value] = static_cast<unsigned char>(value);
    return bytes;
}

// Bounded wait for bytes the crank side sent; the kernel hands them over a moment later.
bool WaitPortQueued(int port, int count) {
    for (int waited = 0; waited < patienceMs; ++waited) {
        if (SerialInQueueLength(port) >= count) return true;
        poll(nullptr, 0, 1);
    }
    return false;
}

int OpenDescriptors() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}

class SerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Ok());
        ASSERT_TRUE(crank.Ok());
        ASSERT_TRUE(folder.Link("COM5", crank.SlavePath()));
    }
    void TearDown() override { SerialCloseAll(); }

    static int OpenCrank(long baud = 38400, int parity = 0, int dataBits = 8, int stopBits = 1) {
        return SerialOpen(crankPort, "COM5", baud, parity, dataBits, stopBits);
    }
    bool CrankSends(std::vector<unsigned char> bytes) {
        return crank.Send(bytes.data(), bytes.size());
    }
    // True when the port shows nothing although the crank has just sent a byte.
    bool PortYieldsNothing(int port) {
        if (!CrankSends({0x42}) || !crank.WaitSlaveQueued(1)) return false;
        return SerialInQueueLength(port) == 0 && SerialReadByte(port) < 0;
    }

    ScopedPortsFolder folder;
    PtyPair crank;
};

TEST_F(SerialPortTest, ARefusedNameDoesNotOpenEvenWhenALinkOfThatNameExists) {
    ASSERT_TRUE(folder.Link("COM05", crank.SlavePath()));
    ASSERT_TRUE(folder.Link("com5", crank.SlavePath()));
    EXPECT_LT(SerialOpen(crankPort, "COM05", 38400, 0, 8, 1), 0);
    EXPECT_LT(SerialOpen(crankPort, "com5", 38400, 0, 8, 1), 0);
    EXPECT_TRUE(PortYieldsNothing(crankPort));
}

// --- Opening -----------------------------------------------------------------------------------

TEST_F(SerialPortTest, Com5OpensThroughItsLinkInPorts) {
    ASSERT_EQ(OpenCrank(), 0);
    ASSERT_TRUE(CrankSends({0x42}));
    ASSERT_TRUE(WaitPortQueued(crankPort, 1));
    EXPECT_EQ(SerialReadByte(crankPort), 0x42);
}

TEST_F(SerialPortTest, TheDeviceNameNotThePortNumberChoosesTheDevice) {
    // The device search opens device COMk under the station's own port number.
    PtyPair otherCrank;
    ASSERT_TRUE(otherCrank.Ok());
    ASSERT_TRUE(folder.Link("COM7", otherCrank.SlavePath()));
    ASSERT_EQ(SerialOpen(crankPort, "COM7", 38400, 0, 8, 1), 0);
    const unsigned char fromOther = 0x77;
    ASSERT_TRUE(otherCrank.Send(&fromOther, 1));
    ASSERT_TRUE(WaitPortQueued(crankPort, 1));
    EXPECT_EQ(SerialReadByte(crankPort), 0x77);
}

// Leaves the terminal cooked and slow, with every setting the crank's port must not have.
void SpoilSettings(int fd) {
    termios settings{};
    ASSERT_EQ(tcgetattr(fd, &settings), 0);
    settings.c_cflag |= CSTOPB | PARODD | CRTSCTS;
    settings.c_cflag &= ~static_cast<tcflag_t>(CLOCAL);
    settings.c_iflag |= IXON | IXOFF | ICRNL;
    settings.c_oflag |= OPOST | ONLCR;
    settings.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 5;
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &settings), 0);
}

// A pseudo-terminal always reports 8 data bits and no parity whatever it is told, so data bits
// and parity enable cannot be seen here; speed, stop bits and odd or even parity can.
TEST_F(SerialPortTest, OpeningApplies38400EightNoParityOneStopRawWithoutFlowControl) {
    SpoilSettings(crank.SlaveFd());
    ASSERT_EQ(OpenCrank(), 0);
    termios settings{};
    ASSERT_EQ(tcgetattr(crank.SlaveFd(), &settings), 0);
    EXPECT_EQ(cfgetispeed(&settings), static_cast<speed_t>(B38400));
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B38400));
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | PARODD), 0u);
    EXPECT_EQ(settings.c_cflag & CSTOPB, 0u);
    EXPECT_NE(settings.c_cflag & CLOCAL, 0u);
    EXPECT_NE(settings.c_cflag & CREAD, 0u);
    EXPECT_EQ(settings.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(settings.c_cc[VMIN], 0);
    EXPECT_EQ(settings.c_cc[VTIME], 0);
}

TEST_F(SerialPortTest, OpeningAppliesTheSpeedStopBitsAndParityAsked) {
    termios settings{};
    ASSERT_EQ(OpenCrank(9600, 1, 7, 2), 0);
    ASSERT_EQ(tcgetattr(crank.SlaveFd(), &settings), 0);
    EXPECT_EQ(cfgetispeed(&settings), static_cast<speed_t>(B9600));
    EXPECT_NE(settings.c_cflag & PARODD, 0u);
    EXPECT_NE(settings.c_cflag & CSTOPB, 0u);

    ASSERT_EQ(OpenCrank(115200, 2, 5, 1), 0);
    ASSERT_EQ(tcgetattr(crank.SlaveFd(), &settings), 0);
    EXPECT_EQ(cfgetispeed(&settings), static_cast<speed_t>(B115200));
    EXPECT_EQ(settings.c_cflag & PARODD, 0u);
    EXPECT_EQ(settings.c_cflag & CSTOPB, 0u);
}

TEST_F(SerialPortTest, SettingsThatCannotBeAppliedAreRefusedAndThePortYieldsNothing) {
    EXPECT_LT(OpenCrank(12345), 0);
    EXPECT_LT(OpenCrank(0), 0);
    EXPECT_LT(OpenCrank(-38400), 0);
    EXPECT_LT(OpenCrank(38400, 3), 0);
    EXPECT_LT(OpenCrank(38400, -1), 0);
    EXPECT_LT(OpenCrank(38400, 0, 4), 0);
    EXPECT_LT(OpenCrank(38400, 0, 9), 0);
    EXPECT_LT(OpenCrank(38400, 0, 8, 0), 0);
    EXPECT_LT(OpenCrank(38400, 0, 8, 3), 0);
    EXPECT_TRUE(PortYieldsNothing(crankPort));
}

TEST_F(SerialPortTest, AMissingLinkGivesANegativeOpenAndNoInput) {
    EXPECT_LT(SerialOpen(6, "COM6", 38400, 0, 8, 1), 0);
    EXPECT_EQ(SerialInQueueLength(6), 0);
    EXPECT_LT(SerialReadByte(6), 0);
    EXPECT_LT(SerialWriteByte(6, ':'), 0);
}

TEST_F(SerialPortTest, ALinkToAMissingDeviceGivesANegativeOpenAndNoInput) {
    ASSERT_TRUE(folder.Link("COM8", "/dev/zan-no-such-device"));
    EXPECT_LT(SerialOpen(8, "COM8", 38400, 0, 8, 1), 0);
    EXPECT_EQ(SerialInQueueLength(8), 0);
    EXPECT_LT(SerialReadByte(8), 0);
}

TEST_F(SerialPortTest, ALinkToAPlainFileIsNotAPort) {
    { std::ofstream("not_a_port.bin") << "\xFF\x01\x02"; }
    ASSERT_TRUE(folder.Link("COM9", std::filesystem::absolute("not_a_port.bin").string()));
    int before = OpenDescriptors();
    EXPECT_LT(SerialOpen(9, "COM9", 38400, 0, 8, 1), 0);
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(SerialInQueueLength(9), 0);
    EXPECT_LT(SerialReadByte(9), 0);
}

TEST_F(SerialPortTest, PortNumbersOutside1To255AreRefused) {
    for (int port : {0, 256, -5}) {
        EXPECT_LT(SerialOpen(port, "COM5", 38400, 0, 8, 1), 0) << port;
        EXPECT_EQ(SerialInQueueLength(port), 0) << port;
        EXPECT_LT(SerialReadByte(port), 0) << port;
        EXPECT_LT(SerialWriteByte(port, ':'), 0) << port;
        EXPECT_LT(SerialSetTimeout(port, 0.005), 0) << port;
        EXPECT_LT(SerialClose(port), 0) << port;
    }
    EXPECT_EQ(SerialOpen(1, "COM5", 38400, 0, 8, 1), 0);
    SerialClose(1);
    EXPECT_EQ(SerialOpen(255, "COM5", 38400, 0, 8, 1), 0);
}

TEST_F(SerialPortTest, ATimeOutMustBeAZeroOrPositiveNumberOfSeconds) {
    EXPECT_EQ(SerialSetTimeout(crankPort, 0.005), 0);
    EXPECT_EQ(SerialSetTimeout(crankPort, 0.0), 0);
    EXPECT_LT(SerialSetTimeout(crankPort, -0.005), 0);
    EXPECT_LT(SerialSetTimeout(crankPort, std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST_F(SerialPortTest, BytesThatArrivedBeforeTheOpenAreDiscarded) {
    ASSERT_TRUE(CrankSends({1, 2, 3, 4, 5}));
    ASSERT_TRUE(crank.WaitSlaveQueued(5));
    ASSERT_EQ(OpenCrank(), 0);
    EXPECT_EQ(SerialInQueueLength(crankPort), 0);
    ASSERT_TRUE(CrankSends({6}));
    ASSERT_TRUE(WaitPortQueued(crankPort, 1));
    EXPECT_EQ(SerialReadByte(crankPort), 6);
}

TEST_F(SerialPortTest, ReopeningAPortLetsGoOfTheDeviceItHadBefore) {
    PtyPair otherCrank;
    ASSERT_TRUE(otherCrank.Ok());
    ASSERT_TRUE(folder.Link("COM7", otherCrank.SlavePath()));
    ASSERT_EQ(OpenCrank(), 0);
    ASSERT_EQ(SerialOpen(crankPort, "COM7", 38400, 0, 8, 1), 0);

    ASSERT_TRUE(CrankSends({0x11}));
    ASSERT_TRUE(crank.WaitSlaveQueued(1));
    const unsigned char fromOther = 0x22;
    ASSERT_TRUE(otherCrank.Send(&fromOther, 1));
    ASSERT_TRUE(WaitPortQueued(crankPort, 1));
    EXPECT_EQ(SerialInQueueLength(crankPort), 1);
    EXPECT_EQ(SerialReadByte(crankPort), 0x22);
    EXPECT_LT(SerialReadByte(crankPort), 0);
}

// --- Closing -----------------------------------------------------------------------------------

TEST_F(SerialPortTest, AClosedPortReleasesItsDeviceAndYieldsNothing) {
    int before = OpenDescriptors();
    ASSERT_EQ(OpenCrank(), 0);
    EXPECT_EQ(OpenDescriptors(), before + 1);
    EXPECT_EQ(SerialClose(crankPort), 0);
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_TRUE(PortYieldsNothing(crankPort));
    EXPECT_LT(SerialWriteByte(crankPort, ':'), 0);
}

TEST_F(SerialPortTest, CloseAllReleasesEveryOpenPort) {
    PtyPair cranks[2];
    ASSERT_TRUE(cranks[0].Ok() && cranks[1].Ok());
    ASSERT_TRUE(folder.Link("COM6", cranks[0].SlavePath()));
    ASSERT_TRUE(folder.Link("COM7", cranks[1].SlavePath()));
    int before = OpenDescriptors();
    ASSERT_EQ(SerialOpen(1, "COM5", 38400, 0, 8, 1), 0);
    ASSERT_EQ(SerialOpen(crankPort, "COM6", 38400, 0, 8, 1), 0);
    ASSERT_EQ(SerialOpen(255, "COM7", 38400, 0, 8, 1), 0);
    EXPECT_EQ(OpenDescriptors(), before + 3);
    SerialCloseAll();
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_TRUE(PortYieldsNothing(1));
    EXPECT_TRUE(PortYieldsNothing(255));
    // Released: each device opens again.
    EXPECT_EQ(SerialOpen(2, "COM6", 38400, 0, 8, 1), 0);
}

// --- One station to a port ---------------------------------------------------------------------

// A second open of the crank's device, under another number or through another link to it, is
// refused as busy and takes nothing from the first, which still reads every byte; once the first
// closes, the device is free again. Root, which the terminal's exclusive mode does not stop, is
// stopped too.
TEST_F(SerialPortTest, ASecondOpenOfAnOpenDeviceIsBusyAndTakesNothingFromTheFirst) {
    ASSERT_TRUE(folder.Link("COM9", crank.SlavePath()));
    ASSERT_EQ(OpenCrank(), 0);
    const struct {
        int port;
        const char* name;
    } seconds[] = {{6, "COM5"}, {7, "COM9"}};
    for (const auto& second : seconds) {
        const int before = OpenDescriptors();
        EXPECT_EQ(SerialOpen(second.port, second.name, 38400, 0, 8, 1), portOpenBusy)
            << second.name;
        EXPECT_STREQ(PortOpenProblem(portOpenBusy), "busy: another station or program has it open");
        EXPECT_EQ(OpenDescriptors(), before);
        EXPECT_EQ(SerialInQueueLength(second.port), 0);
        EXPECT_LT(SerialWriteByte(second.port, ':'), 0);
    }
    ASSERT_TRUE(CrankSends({1, 2, 3}));
    ASSERT_TRUE(WaitPortQueued(crankPort, 3));
    EXPECT_EQ(SerialReadByte(crankPort), 1);
    EXPECT_EQ(SerialReadByte(crankPort), 2);
    EXPECT_EQ(SerialReadByte(crankPort), 3);
    SerialClose(crankPort);
    EXPECT_EQ(SerialOpen(7, "COM9", 38400, 0, 8, 1), 0);
}

TEST_F(SerialPortTest, AnOpenPortIsExclusiveOnItsTerminalAndReleasedAtItsClose) {
    ASSERT_EQ(OpenCrank(), 0);
    // Read back through the terminal's own flag: a program that takes no lock is kept out too.
    int exclusive = 0;
#ifdef TIOCGEXCL
    ASSERT_EQ(ioctl(crank.SlaveFd(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
#endif
    SerialClose(crankPort);
#ifdef TIOCGEXCL
    ASSERT_EQ(ioctl(crank.SlaveFd(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
#endif
    EXPECT_EQ(OpenCrank(), 0);
}

TEST_F(SerialPortTest, AMissingDeviceIsToldAsMissing) {
    ASSERT_TRUE(folder.Link("COM8", "/dev/zan-no-such-device"));
    EXPECT_EQ(SerialOpen(8, "COM8", 38400, 0, 8, 1), portOpenMissing);
    EXPECT_STREQ(PortOpenProblem(portOpenMissing), "missing: no such device");
    EXPECT_EQ(PortOpenProblem(0), nullptr);
}

// --- Where COMk is: a link in ports/, else the Bluetooth port rfcommk ---------------------------

// rfcomm bind 7 <address> makes /dev/rfcomm7: the crank behind it answers on COM7 with no link
// made by hand, and a port with neither is not there.
TEST_F(SerialPortTest, ACrankBoundAsRfcomm7OpensAsCom7WithoutALinkInPorts) {
    PtyPair bound;
    ASSERT_TRUE(bound.Ok());
    ASSERT_TRUE(folder.Bind(7, bound.SlavePath()));
    ASSERT_TRUE(folder.Link("COM8", "/dev/zan-no-such-device"));
    const struct {
        const char* name;
        int exists;
    } ports[] = {{"COM5", 1}, {"COM7", 1}, {"COM8", 1}, {"COM6", 0}, {"COM07", 0}, {"COM", 0}};
    for (const auto& port : ports) EXPECT_EQ(SerialPortExists(port.name), port.exists) << port.name;
    EXPECT_EQ(Resolved("COM7"), folder.DeviceFolder() + "/rfcomm7");
    EXPECT_EQ(SerialPortPlaces(), "ports/COMk links and " + folder.DeviceFolder() + "/rfcommk");

    ASSERT_EQ(SerialOpen(3, "COM7", 38400, 0, 8, 1), 0);
    const unsigned char fromBound = 0x37;
    ASSERT_TRUE(bound.Send(&fromBound, 1));
    ASSERT_TRUE(WaitPortQueued(3, 1));
    EXPECT_EQ(SerialReadByte(3), 0x37);
}

// The link in ports/ is how a test, the emulator or a USB adapter names its port: it wins over
// rfcommk, even when its own device has gone.
TEST_F(SerialPortTest, ALinkInPortsWinsOverTheRfcommDeviceOfTheSameNumber) {
    PtyPair bound;
    ASSERT_TRUE(bound.Ok());
    ASSERT_TRUE(folder.Bind(5, bound.SlavePath()));
    EXPECT_EQ(Resolved("COM5"), "ports/COM5");
    ASSERT_EQ(OpenCrank(), 0);
    const unsigned char fromBound = 0x55;
    ASSERT_TRUE(bound.Send(&fromBound, 1));
    ASSERT_TRUE(CrankSends({0x42}));
    ASSERT_TRUE(WaitPortQueued(crankPort, 1));
    EXPECT_EQ(SerialReadByte(crankPort), 0x42);
    EXPECT_LT(SerialReadByte(crankPort), 0);

    ASSERT_TRUE(folder.Link("COM5", "/dev/zan-no-such-device"));
    EXPECT_EQ(OpenCrank(), portOpenMissing);
}

TEST_F(SerialPortTest, TheDeviceFolderIsDevUnlessZanDeviceDirOrATestChoosesAnother) {
    SetSerialDeviceFolder(nullptr);
    unsetenv("ZAN_DEVICE_DIR");
    EXPECT_STREQ(SerialDeviceFolder(), "/dev");
    setenv("ZAN_DEVICE_DIR", "/tmp/zan-devices", 1);
    EXPECT_STREQ(SerialDeviceFolder(), "/tmp/zan-devices");
    SetSerialDeviceFolder(folder.DeviceFolder().c_str());
    EXPECT_EQ(SerialDeviceFolder(), folder.DeviceFolder());
    unsetenv("ZAN_DEVICE_DIR");
}

// A device the rider may not open, as /dev/rfcomm0 is outside the dialout group. Root opens any
// terminal, but not a read-only kernel attribute for writing.
TEST_F(SerialPortTest, ADeviceNotTheRidersToOpenIsToldAsDeniedNamingTheDialoutGroup) {
    const char* readOnly = "/sys/kernel/uevent_seqnum";
    if (access(readOnly, R_OK) != 0) GTEST_SKIP() << readOnly << " is not there to try";
    ASSERT_TRUE(folder.Bind(6, readOnly));
    EXPECT_EQ(SerialOpen(6, "COM6", 38400, 0, 8, 1), portOpenDenied);
    EXPECT_STREQ(PortOpenProblem(portOpenDenied),
                 "no permission to open it: add yourself to the dialout group (sudo adduser $USER "
                 "dialout), then log in again");
    EXPECT_EQ(SerialInQueueLength(6), 0);
}

// --- Bytes both ways ---------------------------------------------------------------------------

TEST_F(SerialPortTest, EveryByteValueTheCrankSendsArrivesInOrder) {
    ASSERT_EQ(OpenCrank(), 0);
    std::vector<unsigned char> sent = EveryByteValue();
    ASSERT_TRUE(crank.Send(sent.data(), sent.size()));
    ASSERT_TRUE(WaitPortQueued(crankPort, 256));
    EXPECT_EQ(SerialInQueueLength(crankPort), 256);
    std::vector<unsigned char> received;
    for (int i = 0; i < 256; ++i) {
        int byte = SerialReadByte(crankPort);
        ASSERT_GE(byte, 0) << "after " << i << " bytes";
        received.push_back(static_cast<unsigned char>(byte));
    }
    EXPECT_EQ(received, sent);
    EXPECT_LT(SerialReadByte(crankPort), 0);
    EXPECT_EQ(SerialInQueueLength(crankPort), 0);
}

TEST_F(SerialPortTest, EveryByteValueTheStationWritesReachesTheCrankInOrder) {
    ASSERT_EQ(OpenCrank(), 0);
    ASSERT_EQ(SerialSetTimeout(crankPort, 0.005), 0);
    for (int value = 0; value < 256; ++value) ASSERT_EQ(SerialWriteByte(crankPort, value), 1);
    // Only the low 8 bits of the argument are sent.
    ASSERT_EQ(SerialWriteByte(crankPort, 0x13A), 1);
    std::vector<unsigned char> expected = EveryByteValue();
    expected.push_back(0x3A);
    EXPECT_EQ(crank.Receive(expected.size()), expected);
}

TEST_F(SerialPortTest, TheQueueLengthCountsTheBytesWaiting) {
    ASSERT_EQ(OpenCrank(), 0);
    EXPECT_EQ(SerialInQueueLength(crankPort), 0);
    ASSERT_TRUE(CrankSends({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    ASSERT_TRUE(WaitPortQueued(crankPort, 10));
    EXPECT_EQ(SerialInQueueLength(crankPort), 10);
    for (int i = 0; i < 3; ++i) SerialReadByte(crankPort);
    EXPECT_EQ(SerialInQueueLength(crankPort), 7);
    ASSERT_TRUE(CrankSends({11, 12, 13, 14, 15}));
    ASSERT_TRUE(WaitPortQueued(crankPort, 12));
    EXPECT_EQ(SerialInQueueLength(crankPort), 12);
    EXPECT_EQ(SerialReadByte(crankPort), 4);
}

TEST_F(SerialPortTest, WritesGiveUpWhileTheCrankStopsReadingAndResumeWhenItReads) {
    ASSERT_EQ(OpenCrank(), 0);
    ASSERT_EQ(SerialSetTimeout(crankPort, 0.001), 0);
    // The terminal's buffers hold some tens of kilobytes; a write must fail once they are full.
    constexpr int enough = 1 << 21;
    int sent = 0;
    int result = 1;
    while (sent < enough && (result = SerialWriteByte(crankPort, sent & 0x7F)) == 1) ++sent;
    EXPECT_LT(result, 0);
    EXPECT_GT(sent, 0);
    std::vector<unsigned char> drained = crank.Receive(static_cast<std::size_t>(sent));
    EXPECT_EQ(drained.size(), static_cast<std::size_t>(sent));
    EXPECT_EQ(SerialWriteByte(crankPort, ';'), 1);
}

// --- A crank that vanishes ---------------------------------------------------------------------

TEST_F(SerialPortTest, ACrankThatVanishesNeitherBlocksNorEndsTheStation) {
    // The default action of SIGPIPE would end this test program.
    auto previous = std::signal(SIGPIPE, SIG_DFL);
    ASSERT_EQ(OpenCrank(), 0);
    ASSERT_EQ(SerialSetTimeout(crankPort, 0.005), 0);
    crank.CloseMaster();
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_LT(SerialInQueueLength(crankPort), 0);
        EXPECT_LT(SerialReadByte(crankPort), 0);
        EXPECT_LT(SerialWriteByte(crankPort, '3'), 0);
    }
    EXPECT_EQ(SerialClose(crankPort), 0);
    std::signal(SIGPIPE, previous);
}

TEST_F(SerialPortTest, AfterTheCrankVanishedItsLinkNoLongerOpens) {
    ASSERT_EQ(OpenCrank(), 0);
    crank.CloseMaster();
    EXPECT_LT(OpenCrank(), 0);
    EXPECT_EQ(SerialInQueueLength(crankPort), 0);
    EXPECT_LT(SerialReadByte(crankPort), 0);
}

TEST_F(SerialPortTest, ACrankBackOnANewTerminalIsReachedByReopening) {
    ASSERT_EQ(OpenCrank(), 0);
    crank.CloseMaster();
    PtyPair newCrank;
    ASSERT_TRUE(newCrank.Ok());
    ASSERT_TRUE(folder.Link("COM5", newCrank.SlavePath()));
    ASSERT_EQ(OpenCrank(), 0);
    const unsigned char frameStart = 0xFF;
    ASSERT_TRUE(newCrank.Send(&frameStart, 1));
    ASSERT_TRUE(WaitPortQueued(crankPort, 1));
    EXPECT_EQ(SerialReadByte(crankPort), 0xFF);
}

} // namespace

#endif
