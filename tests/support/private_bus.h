#pragma once
// A D-Bus system bus of the tests' own, in a folder of its own: daemons and mocks the tests start
// on it never meet the machine's own bus.

#ifdef __linux__

#include "tests/support/child_process.h"

#include <string>

class PrivateBus {
  public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Starts the bus and points this process's libdbus clients at it.
    bool Start();
    std::string Address() const { return "unix:path=" + folder + "/bus"; }
    // Where the tests keep the bus's and its programs' files.
    const std::string& Folder() const { return folder; }

  private:
    std::string folder;
    ChildProcess daemon;
};

#endif
