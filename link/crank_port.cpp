#include "link/crank_port.h"

#include "app/station.h"
#include "platform/engine.h"

#include <cstdio>

int OpenCrankPort(int port, int deviceNumber) {
    Station& zan = CurrentStation();
    std::snprintf(zan.comPortName, sizeof zan.comPortName, "%s%d", "COM", deviceNumber);
    const int opened = OpenComConfig(port, zan.comPortName, 38400, 0, 8, 1, 4096, 4096);
    SetComTime(port, 0.005);
    return opened;
}
