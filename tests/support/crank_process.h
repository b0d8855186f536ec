#pragma once
// The crank emulator as a child process of an end-to-end test.

#ifndef _WIN32

#include <string>
#include <vector>

class CrankProcess {
  public:
    ~CrankProcess() { Stop(); }
    // Starts zan_crank with the given options in the working folder and waits, a bounded while,
    // until its link ports/COM<port> exists. False when it did not come up.
    bool Start(int port, const std::vector<std::string>& options);
    // Ends the emulator (SIGTERM, then SIGKILL) and waits for it.
    void Stop();
    bool Running() const { return pid > 0; }

  private:
    int pid = -1;
};

#endif
