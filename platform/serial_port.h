#pragma once
// The real serial ports: a thin synchronous layer on termios (and the Win32 comm API on Windows).
// The station polls: the link timer drains whatever has arrived and the device search calls the
// frame reader in a tight loop, so nothing here ever waits for input. Ports are named by the
// station's port number n, as the engine's serial operations are.

// Resolves "COMk" to the device to open: on Windows the name itself; elsewhere the link
// "ports/COMk" in the working folder when there is one (tests, USB adapters: ln -s /dev/ttyUSB0
// ports/COM3), else the Bluetooth port "/dev/rfcommk" when it exists (rfcomm bind 3 <address>
// puts a paired crank on COM3), else "ports/COMk" again, which then opens as missing.
// Returns 0 and fills devicePath, or -1 when the name is not "COM" and a number.
int ResolveComName(const char* deviceName, char* devicePath, int size);
// The folder of the rfcomm devices: "/dev", or ZAN_DEVICE_DIR when that is set. A test gives
// a temporary folder of its own; nullptr goes back to the default.
void SetSerialDeviceFolder(const char* folder);
const char* SerialDeviceFolder();
// 1 when the port "COMk" is there to be opened: on Windows a COM port the system lists; elsewhere
// a "ports/COMk" link (even one whose device has gone, which then opens as missing) or
// "/dev/rfcommk". 0 otherwise, and for a name that is not "COM" and a number.
int SerialPortExists(const char* deviceName);
// Where SerialPortExists looks, in the rider's words, for the search's last line.
const char* SerialPortPlaces();

// Opens deviceName as port n at the given settings (parity 0 none, 1 odd, 2 even), raw, no flow
// control, for this station alone: while it is open no other open of the device succeeds (on
// Windows no sharing; elsewhere an advisory lock on the device and the terminal's exclusive
// mode). An already open port n is closed first. Returns 0, or a negative code when the device
// is missing, busy (portOpenBusy), not ours to open or cannot be set up (platform/port.h names
// them); the port then yields no input.
int SerialOpen(int port, const char* deviceName, long baud, int parity, int dataBits, int stopBits);
// Time-out for writes, in seconds (the station uses 5 ms).
int SerialSetTimeout(int port, double seconds);
int SerialClose(int port);
// Bytes waiting to be read: 0 when none or the port is not open, negative on an error.
int SerialInQueueLength(int port);
// The next byte, 0..255, or negative when none is waiting or the port is not open.
int SerialReadByte(int port);
// Up to count waiting bytes in one read: the number read, or negative as SerialReadByte.
int SerialReadBlock(int port, unsigned char* buffer, int count);
// Queues one byte; waits at most the time-out for room. Returns 1 when sent, negative otherwise.
// A peer that has vanished never blocks and never raises a signal.
int SerialWriteByte(int port, int byte);
// Closes every open port (at exit).
void SerialCloseAll();
