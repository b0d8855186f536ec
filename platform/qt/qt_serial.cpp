// The serial operations of the Qt engine: the station's own port layer, not QSerialPort, whose
// buffer fills only while the event loop turns (the device search never turns it).
#include "platform/qt/qt_engine.h"

#include "platform/serial_port.h"

int QtEngine::ComPortExists(const char* deviceName) {
    return SerialPortExists(deviceName);
}
const char* QtEngine::ComPortPlaces() {
    return SerialPortPlaces();
}

// The engine's queue sizes have no meaning here: the operating system queues the bytes.
int QtEngine::OpenComConfig(int port, const char* deviceName, long baud, int parity, int dataBits,
                            int stopBits, int, int) {
    return SerialOpen(port, deviceName, baud, parity, dataBits, stopBits);
}

int QtEngine::SetComTime(int port, double seconds) {
    return SerialSetTimeout(port, seconds);
}
int QtEngine::CloseCom(int port) {
    return SerialClose(port);
}
int QtEngine::GetInQLen(int port) {
    return SerialInQueueLength(port);
}
int QtEngine::ComRdByte(int port) {
    return SerialReadByte(port);
}
int QtEngine::ComRdBlock(int port, unsigned char* buffer, int count) {
    return SerialReadBlock(port, buffer, count);
}
int QtEngine::ComWrtByte(int port, int byte) {
    return SerialWriteByte(port, byte);
}
