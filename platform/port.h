#pragma once
// The serial ports, as the station calls them: the engine's ports (the real ones in the program,
// in-memory ones in the tests).

int OpenComConfig(int port, const char* deviceName, long baud, int parity, int dataBits,
                  int stopBits, int inputQueue, int outputQueue);
int SetComTime(int port, double seconds);
int CloseCom(int port);
int GetInQLen(int port);
int ComRdByte(int port);
// Reads up to count waiting bytes in one call; the number read, or negative when none came.
int ComRdBlock(int port, unsigned char* buffer, int count);
int ComWrtByte(int port, int byte);
