#pragma once
// The headless engine with the real serial layer behind it: the station's own routines talk to a
// pseudo-terminal exactly as they would to a Bluetooth crank.

#include "platform/serial_port.h"
#include "tests/support/headless_engine.h"

class RealPortEngine : public HeadlessEngine {
  public:
    ~RealPortEngine() override { SerialCloseAll(); }
    int ComPortExists(const char* deviceName) override { return SerialPortExists(deviceName); }
    const char* ComPortPlaces() override { return SerialPortPlaces(); }
    int OpenComConfig(int port, const char* deviceName, long baud, int parity, int dataBits,
                      int stopBits, int, int) override {
        return SerialOpen(port, deviceName, baud, parity, dataBits, stopBits);
    }
    int SetComTime(int port, double seconds) override { return SerialSetTimeout(port, seconds); }
    int CloseCom(int port) override { return SerialClose(port); }
    int GetInQLen(int port) override { return SerialInQueueLength(port); }
    int ComRdByte(int port) override { return SerialReadByte(port); }
    int ComRdBlock(int port, unsigned char* buffer, int count) override {
        return SerialReadBlock(port, buffer, count);
    }
    int ComWrtByte(int port, int byte) override { return SerialWriteByte(port, byte); }
};
