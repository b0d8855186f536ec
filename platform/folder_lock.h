#pragma once
// One station to a working folder: a lock on a file in it, held while the station runs, so a
// second station started there learns of the first before it saves anything over its files.

#include <cstdint>

// The file the lock is taken on, in the working folder; it stays there, empty.
constexpr const char* folderLockName = "zan_station.lock";

// Held from a successful Claim until Release or the lock's end; the system lets go of it when
// the program ends in any way, a kill included.
class FolderLock {
  public:
    FolderLock() = default;
    ~FolderLock() { Release(); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    enum class Claimed { Held, Taken, NoLockFile };
    // Takes the lock on folderLockName in the working folder: Taken when another station, in
    // this program or another, holds it; NoLockFile when the file cannot be made there (a folder
    // the station cannot write in). Nothing is held but on Held.
    Claimed Claim();
    void Release();
    bool Held() const { return handle != noHandle; }

  private:
    static constexpr std::intptr_t noHandle = -1;
    std::intptr_t handle = noHandle;
};
