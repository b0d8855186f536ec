#include "link/crank_port.h"

#include "link/link_state.h"
#include "platform/engine.h"
#include "platform/program_part.h"

#include <cstdio>

int OpenCrankPort(int port, int deviceNumber) {
    LinkState& link = PartOf<LinkState>();
    std::snprintf(link.comPortName, sizeof link.comPortName, "%s%d", "COM", deviceNumber);
    const int opened = OpenComConfig(port, link.comPortName, 38400, 0, 8, 1, 4096, 4096);
    SetComTime(port, 0.005);
    return opened;
}
