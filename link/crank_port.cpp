#include "link/crank_port.h"

#include "link/link_state.h"
#include "platform/port.h"

#include <cstdio>

int SerialCrankPort::InQLen() {
    return GetInQLen(number);
}

int SerialCrankPort::Read(unsigned char* buffer, int count) {
    return ComRdBlock(number, buffer, count);
}

bool SerialCrankPort::Write(int byte) {
    return ComWrtByte(number, byte) >= 0;
}

int OpenCrankPort(LinkState& link, int port, int deviceNumber) {
    std::snprintf(link.comPortName, sizeof link.comPortName, "%s%d", "COM", deviceNumber);
    const int opened = OpenComConfig(port, link.comPortName, crankBaud, crankParity, crankDataBits,
                                     crankStopBits, 4096, 4096);
    SetComTime(port, 0.005);
    return opened;
}

bool DescribePortOpen(const LinkState& link, int opened, char* text, int size) {
    if ((opened != portOpenBusy && opened != portOpenDenied && opened != portOpenMissing) ||
        size <= 0)
        return false;
    const char* problem = PortOpenProblem(opened);
    std::snprintf(text, static_cast<std::size_t>(size),
                  "%s not opened: %s. Nothing is measured from it.", link.comPortName, problem);
    return true;
}
