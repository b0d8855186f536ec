#include "tests/support/small_disk.h"

#ifndef _WIN32

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>

namespace {
bool MountSmallTmpfs(const std::string& folder, long bytes) {
    // A namespace of the process's own, with the mounts it inherits made private, so the tmpfs
    // never propagates to the rest of the machine.
    if (unshare(CLONE_NEWNS) != 0) return false;
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    const std::string options = "size=" + std::to_string(bytes);
    return mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
}
} // namespace

SmallDisk::SmallDisk(const std::string& folder, long bytes) : folder(folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    // To tmpfs a size of 0 means no limit: no room at all is one page, filled.
    mounted = MountSmallTmpfs(folder, bytes > 0 ? bytes : 4096);
    if (mounted) {
        if (bytes == 0) {
            std::FILE* filler = std::fopen((folder + "/filler").c_str(), "wb");
            if (filler != nullptr) {
                for (int i = 0; i < 8192; ++i) std::fputc('x', filler);
                std::fclose(filler);
            }
        }
        return;
    }
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
    previousLimit = limit.rlim_cur;
    previousMaxLimit = limit.rlim_max;
    // A write past the limit raises SIGXFSZ, which would end the process: ignored, the write
    // fails with EFBIG instead, as a write to a full disk fails with ENOSPC.
    previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    limited = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted) umount2(folder.c_str(), MNT_DETACH);
    if (limited) {
        rlimit limit{};
        limit.rlim_cur = static_cast<rlim_t>(previousLimit);
        limit.rlim_max = static_cast<rlim_t>(previousMaxLimit);
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, previousHandler);
    }
}

#endif
