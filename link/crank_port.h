#pragma once
// Opening the crank's link: every open is 38400 baud 8N1 with 4096-byte queues, followed at once
// by the 5 ms time-out.

#include "link/link_state.h"

// Where the crank's bytes come from and where the station's go: a serial port of this machine,
// or a recorded ride played again. The link reads whatever port it is given; a port says
// whether it can be written, so a command to the crank is refused where nothing can take it.
class CrankPort {
  public:
    virtual ~CrankPort() = default;
    // The bytes waiting to be read; 0 or less when none.
    virtual int InQLen() = 0;
    // Up to count waiting bytes into buffer: the number read, or negative when none came.
    virtual int Read(unsigned char* buffer, int count) = 0;
    // False when the byte could not be sent.
    virtual bool Write(int byte) = 0;
    virtual bool Writable() const = 0;
};

// The machine's serial port the station has open, by its number: the number the setup holds,
// read at each call, so a search that moves the station to another port moves this one too.
class SerialCrankPort final : public CrankPort {
  public:
    explicit SerialCrankPort(const int& number) : number(number) {}
    int InQLen() override;
    int Read(unsigned char* buffer, int count) override;
    bool Write(int byte) override;
    bool Writable() const override { return true; }

  private:
    const int& number;
};

// The crank's line settings: 38400 baud, no parity, 8 data bits, 1 stop bit.
constexpr long crankBaud = 38400;
constexpr int crankParity = 0;
constexpr int crankDataBits = 8;
constexpr int crankStopBits = 1;

// Opens port number `port` on the device "COM<deviceNumber>", which is kept in comPortName.
// Returns the open's result: negative when the port did not open.
int OpenCrankPort(LinkState& link, int port, int deviceNumber);
// The line that tells the rider why the port just opened by OpenCrankPort did not open ("COM5 not
// opened: busy: ...": missing, busy or not the rider's to open), into text. False, with text
// untouched, when it opened or failed for no reason the port layer can tell.
bool DescribePortOpen(const LinkState& link, int opened, char* text, int size);
