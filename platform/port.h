#pragma once
// The serial ports, as the station calls them: the engine's ports (the real ones in the program,
// in-memory ones in the tests).

// Why an open failed, when the port layer can tell: OpenComConfig's negative results.
constexpr int portOpenMissing = -4;
constexpr int portOpenBusy = -9;
constexpr int portOpenDenied = -10;
// The rider's words for an open's result ("busy: ..."), or nullptr when the port opened.
const char* PortOpenProblem(int result);

// 1 when the device "COMk" is on this machine to be tried, 0 when it is not.
int ComPortExists(const char* deviceName);
// Where ComPortExists looks, in the rider's words ("ports/COMk links and /dev/rfcommk").
const char* ComPortPlaces();

int OpenComConfig(int port, const char* deviceName, long baud, int parity, int dataBits,
                  int stopBits, int inputQueue, int outputQueue);
int SetComTime(int port, double seconds);
int CloseCom(int port);
int GetInQLen(int port);
int ComRdByte(int port);
// Reads up to count waiting bytes in one call; the number read, or negative when none came.
int ComRdBlock(int port, unsigned char* buffer, int count);
int ComWrtByte(int port, int byte);
