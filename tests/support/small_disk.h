#pragma once
// A folder on a disk with little or no room left, for the full-disk fault tests. As root a small
// tmpfs is mounted over the folder, in a mount namespace of the test process's own so nothing
// outside it sees the mount and it goes with the process. Where mounting is not allowed, a
// file-size limit on the process stands in: every write past the limit fails as on a full disk,
// whatever the folder.

#ifndef _WIN32

#include <string>

class SmallDisk {
  public:
    // Makes the folder (created if missing) hold at most the given bytes of file data; 0 makes a
    // disk with no room at all.
    SmallDisk(const std::string& folder, long bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Ok() const { return mounted || limited; }
    // "tmpfs" or "file-size limit", for the test's messages.
    const char* Kind() const { return mounted ? "tmpfs" : "file-size limit"; }

  private:
    std::string folder;
    bool mounted = false;
    bool limited = false;
    unsigned long long previousLimit = 0;
    unsigned long long previousMaxLimit = 0;
    void (*previousHandler)(int) = nullptr;
};

#endif
