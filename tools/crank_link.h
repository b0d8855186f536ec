#pragma once
// The emulated crank's end of the link: a pseudo-terminal whose slave is linked as ports/COMk in
// the working folder, where the station finds it as port COMk.

#include <string>

struct CrankLink {
    int masterFd = -1;
    // The emulator keeps a slave descriptor of its own, so the terminal stays up while the station
    // closes and reopens the port.
    int slaveFd = -1;
    std::string slavePath;
    std::string linkPath;
    // The terminal reports the station's opens of the port (packet mode).
    bool seesOpens = false;
};

// Creates the terminal, sets it raw at 38400 baud and links it. False with the reason in error.
bool OpenCrankLink(CrankLink& link, int port, std::string& error);
// Closes the terminal and removes the link, unless another emulator has replaced it since.
void CloseCrankLink(CrankLink& link);
// Bytes the station sent, without waiting: the count read, or -1 when the terminal failed.
// stationOpened becomes true when the station has opened the port since the last read.
int ReadFromStation(CrankLink& link, unsigned char* bytes, int size, bool& stationOpened);
// Sends without waiting: the count written (fewer, or 0, while the station does not read), or -1
// when the terminal failed.
int WriteToStation(CrankLink& link, const unsigned char* bytes, int count);
// Waits until the station sends something or the given milliseconds pass.
void WaitForStation(CrankLink& link, int milliseconds);
