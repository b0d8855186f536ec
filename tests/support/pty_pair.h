#pragma once
// Pseudo-terminals for tests that need a real serial device: the master side plays the crank,
// the slave is the device the station opens through a "ports/COMk" link.

#ifndef _WIN32

#include <cstddef>
#include <string>
#include <vector>

class PtyPair {
  public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // False when the system gave no pseudo-terminal.
    bool Ok() const { return masterFd >= 0 && slaveFd >= 0; }
    int MasterFd() const { return masterFd; }
    // A slave descriptor of the test's own, for tcgetattr and for keeping the terminal alive.
    int SlaveFd() const { return slaveFd; }
    const std::string& SlavePath() const { return slavePath; }

    // Sends bytes as the crank; true when every byte went out.
    bool Send(const unsigned char* bytes, std::size_t count);
    // Collects up to count bytes that reached the crank side, waiting a bounded while for them;
    // fewer come back only when they never arrive.
    std::vector<unsigned char> Receive(std::size_t count);
    // Bytes already waiting on the slave side, as the line discipline reports them.
    int SlaveQueued() const;
    // Waits a bounded while until at least count bytes wait on the slave side.
    bool WaitSlaveQueued(int count) const;
    // The crank goes away: the master closes and the slave hangs up.
    void CloseMaster();

  private:
    int masterFd = -1;
    int slaveFd = -1;
    std::string slavePath;
};

// A fresh temporary working folder with an empty "ports" folder, and an empty "dev" folder that
// stands for /dev while the object lives. The test runs inside it; the previous working folder
// and /dev come back and the folder is removed when the object goes.
class ScopedPortsFolder {
  public:
    ScopedPortsFolder();
    ~ScopedPortsFolder();
    ScopedPortsFolder(const ScopedPortsFolder&) = delete;
    ScopedPortsFolder& operator=(const ScopedPortsFolder&) = delete;

    bool Ok() const { return entered; }
    // Makes "ports/<comName>" a link to target, replacing any link of that name.
    bool Link(const char* comName, const std::string& target);
    // Makes "dev/rfcomm<number>" a link to target, as rfcomm bind makes the device.
    bool Bind(int number, const std::string& target);
    std::string DeviceFolder() const;

  private:
    std::string previousFolder;
    std::string folder;
    bool entered = false;
};

#endif
