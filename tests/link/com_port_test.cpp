// The serial layer's Windows side (CreateFile, ReadFile, WriteFile, ClearCommError) on a real COM
// port: scripts/test-windows.sh runs the crank emulator on a pseudo-terminal, maps it into Wine
// as a COM port and names that port in ZAN_COM_PORT. Without it only the missing device is tried.
#ifdef _WIN32

#include "link/frame_assembler.h"
#include "platform/serial_port.h"
#include "protocol/frame.h"
#include "protocol/identity.h"
#include "protocol/station_bytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace {

constexpr int stationPort = 5;
// scripts/test-windows.sh starts the emulator with these.
constexpr int crankSerial = 417;
constexpr int crankVersion = 3;
constexpr auto patience = std::chrono::seconds(5);

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Reads the port the way the link timer does, through the station's frame assembler.
class FrameTap {
  public:
    // Waits for the next whole frame that `wanted` accepts; false after the patience.
    template <typename Wanted> bool Next(Wanted&& wanted) {
        const auto end = std::chrono::steady_clock::now() + patience;
        while (std::chrono::steady_clock::now() < end) {
            const int waiting = SerialInQueueLength(stationPort);
            if (waiting < 0) return false;
            sawQueue = sawQueue || waiting > 0;
            unsigned char bytes[256];
            const int got = SerialReadBlock(stationPort, bytes, static_cast<int>(sizeof bytes));
            bool found = false;
            AssembleFrames(assembler, bytes, got, [&](const unsigned char* raw) {
                ++frames;
                found = found || wanted(DecodeFrame(raw));
            });
            if (found) return true;
            if (got <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    int frames = 0;
    bool sawQueue = false;

  private:
    FrameAssembler assembler{};
};

bool Streaming(const CrankFrame& frame) {
    return !IsIdentityFrame(frame);
}

TEST(ComPortTest, AComPortWithoutADeviceIsNotListedDoesNotOpenAndYieldsNothing) {
    // The device search passes over it without a wait.
    EXPECT_EQ(SerialPortExists("COM249"), 0);
    EXPECT_EQ(SerialPortExists("COM0249"), 0);
    EXPECT_STREQ(SerialPortPlaces(), "the COM ports Windows lists");
    EXPECT_LT(SerialOpen(stationPort, "COM249", 38400, 0, 8, 1), 0);
    EXPECT_EQ(SerialInQueueLength(stationPort), 0);
    EXPECT_LT(SerialReadByte(stationPort), 0);
    EXPECT_LT(SerialWriteByte(stationPort, keepAliveByte), 0);
}

TEST(ComPortTest, TheCrankOnAComPortStreamsAnswersTheHandshakeAndItsEndIsSeen) {
    const std::string port = Environment("ZAN_COM_PORT");
    const std::string hangUp = Environment("ZAN_COM_HANGUP");
    if (port.empty() || hangUp.empty())
        GTEST_SKIP() << "no crank on a COM port: scripts/test-windows.sh gives one in ZAN_COM_PORT";

    // Listed, as the device search needs it to be tried.
    EXPECT_EQ(SerialPortExists(port.c_str()), 1) << port;
    ASSERT_EQ(SerialOpen(stationPort, port.c_str(), 38400, 0, 8, 1), 0) << port;
    ASSERT_EQ(SerialSetTimeout(stationPort, 0.005), 0);
    FrameTap tap;
    int streamed = 0;
    EXPECT_TRUE(tap.Next([&streamed](const CrankFrame& frame) {
        return Streaming(frame) && ++streamed == 10;
    })) << "frames before the handshake: "
        << tap.frames;
    EXPECT_TRUE(tap.sawQueue) << "ClearCommError never counted a waiting byte";

    // ':' brings identity frames carrying the crank's serial number and version, ';' ends them.
    ASSERT_EQ(SerialWriteByte(stationPort, identityStartByte), 1);
    CrankIdentity identity{};
    EXPECT_TRUE(tap.Next([&identity](const CrankFrame& frame) {
        if (!IsIdentityFrame(frame)) return false;
        identity = ReadIdentity(frame);
        return true;
    }));
    EXPECT_EQ(identity.serial, crankSerial);
    EXPECT_EQ(identity.version, crankVersion);
    ASSERT_EQ(SerialWriteByte(stationPort, identityEndByte), 1);
    EXPECT_TRUE(tap.Next(Streaming)) << "the identity frames did not end";

    // The script ends the emulator when this file appears: its terminal closes as a Bluetooth
    // link does when the crank goes out of reach.
    std::ofstream(hangUp) << "end the crank\n";
    bool vanished = false;
    const auto end = std::chrono::steady_clock::now() + patience;
    while (!vanished && std::chrono::steady_clock::now() < end) {
        vanished = SerialInQueueLength(stationPort) < 0;
        unsigned char bytes[256];
        if (!vanished && SerialReadBlock(stationPort, bytes, static_cast<int>(sizeof bytes)) < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(vanished) << "the port never told the crank was gone";
    // Gone, the port neither blocks nor ends the program: every operation returns at once.
    EXPECT_LT(SerialWriteByte(stationPort, keepAliveByte), 0);
    EXPECT_EQ(SerialClose(stationPort), 0);
    EXPECT_LT(SerialOpen(stationPort, port.c_str(), 38400, 0, 8, 1), 0);
}

} // namespace

#endif
