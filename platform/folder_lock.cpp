#include "platform/folder_lock.h"

#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#ifdef _WIN32

FolderLock::Claimed FolderLock::Claim() {
    Release();
    // Opened with no sharing: a second open, by any program, fails while this one lives.
    HANDLE file = CreateFileA(folderLockName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION ? Claimed::Taken : Claimed::NoLockFile;
    handle = reinterpret_cast<std::intptr_t>(file);
    return Claimed::Held;
}

void FolderLock::Release() {
    if (!Held()) return;
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    handle = noHandle;
}

#else

FolderLock::Claimed FolderLock::Claim() {
    Release();
    const int fd = open(folderLockName, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return Claimed::NoLockFile;
    // The lock belongs to this open: a second station, in this process or another, is refused.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool taken = errno == EWOULDBLOCK;
        close(fd);
        return taken ? Claimed::Taken : Claimed::NoLockFile;
    }
    handle = fd;
    return Claimed::Held;
}

void FolderLock::Release() {
    if (!Held()) return;
    // The file stays: removing it would let a third station lock a new file of that name beside
    // the second one's lock on the old.
    close(static_cast<int>(handle));
    handle = noHandle;
}

#endif
