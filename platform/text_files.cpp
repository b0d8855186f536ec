// Text files are real files in every engine: the station's setup, port and data files must be the
// same bytes whether a test or a rider wrote them.
#include "platform/engine.h"
#include "platform/text_lines.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#ifdef _WIN32
#include "platform/windows_api.h"

#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
constexpr int maxOpenFiles = 32;
// Each thread has handles of its own: a ride replayed for the review writes its private session
// file while the live station writes its own, and neither takes or closes the other's.
thread_local std::FILE* openFiles[maxOpenFiles + 1] = {};

std::FILE* FileOf(int handle) {
    if (handle < 1 || handle > maxOpenFiles) return nullptr;
    return openFiles[handle];
}

// Where the next write to each file goes, kept from the station's own writes so that a write
// asks the system for no position: a failed one is taken back there. Not known after an open, a
// read or a copy, which ask for it again.
struct WritePosition {
    bool known;
    long at;
};
thread_local WritePosition writePositions[maxOpenFiles + 1] = {};

// The handle's position is asked for again at its next write.
void ForgetPosition(int handle) {
    if (handle >= 1 && handle <= maxOpenFiles) writePositions[handle] = WritePosition{};
}
} // namespace

int CVI_OpenFile(const char* path, int mode, int action, int fileType) {
    (void)action;
    (void)fileType;
    if (path == nullptr || path[0] == '\0') return -1;
    // Binary even for text: Windows would write each '\n' as CR LF, and a file must be the same
    // bytes on every system. Reading drops carriage returns itself (ReadLineFrom).
    const char* how = mode == VAL_READ_ONLY ? "rb" : mode == VAL_READ_WRITE ? "w+b" : "wb";
    for (int handle = 1; handle <= maxOpenFiles; ++handle) {
        if (openFiles[handle] != nullptr) continue;
        std::FILE* file = std::fopen(path, how);
        if (file == nullptr) return -1;
        // Written files are unbuffered: each line is one write of its own (see WriteLine).
        if (mode != VAL_READ_ONLY) std::setvbuf(file, nullptr, _IONBF, 0);
        openFiles[handle] = file;
        ForgetPosition(handle);
        return handle;
    }
    return -1;
}

int CVI_CloseFile(int handle) {
    std::FILE* file = FileOf(handle);
    if (file == nullptr) return -1;
    openFiles[handle] = nullptr;
    ForgetPosition(handle);
    const bool failedBefore = std::ferror(file) != 0;
    const int closed = std::fclose(file);
    return (closed != 0 || failedBefore) ? -1 : 0;
}

int ReadLine(int handle, char* buffer, int maxChars) {
    std::FILE* file = FileOf(handle);
    if (file == nullptr || buffer == nullptr || maxChars < 0) return -1;
    ForgetPosition(handle);
    return ReadLineFrom([file] { return std::fgetc(file); }, buffer, maxChars);
}

namespace {
// The bytes go out in one write, unbuffered, so they reach the operating system as soon as they
// are written and a crash of the station loses nothing written. A full disk that took part of
// them has that part taken back, so the file ends with whole lines or blocks only.
bool WriteWhole(int handle, std::FILE* file, const void* bytes, std::size_t size) {
    WritePosition& position = writePositions[handle];
    const long start = position.known ? position.at : std::ftell(file);
    if (std::fwrite(bytes, 1, size, file) == size && std::fflush(file) == 0) {
        position = WritePosition{start >= 0, start + static_cast<long>(size)};
        return true;
    }
    position = WritePosition{};
    if (start >= 0) {
#ifdef _WIN32
        if (_chsize_s(_fileno(file), start) == 0) std::fseek(file, start, SEEK_SET);
#else
        if (ftruncate(fileno(file), start) == 0) std::fseek(file, start, SEEK_SET);
#endif
    }
    return false;
}
} // namespace

int WriteLine(int handle, const char* text, int length) {
    std::FILE* file = FileOf(handle);
    if (file == nullptr || text == nullptr || length < 0) return -1;
    std::string line(text, static_cast<std::size_t>(length));
    line.push_back('\n');
    return WriteWhole(handle, file, line.data(), line.size()) ? length : -1;
}

long long FreeDiskBytes(const char* path) {
    std::error_code error;
    const std::filesystem::space_info space = std::filesystem::space(path, error);
    return error ? -1 : static_cast<long long>(space.available);
}

int WriteBytes(int handle, const void* bytes, std::size_t size) {
    std::FILE* file = FileOf(handle);
    if (file == nullptr || bytes == nullptr) return -1;
    return WriteWhole(handle, file, bytes, size) ? 0 : -1;
}

int SyncFile(int handle) {
    std::FILE* file = FileOf(handle);
    if (file == nullptr || std::fflush(file) != 0) return -1;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0 ? 0 : -1;
#else
    return fsync(fileno(file)) == 0 ? 0 : -1;
#endif
}

bool FileIsAt(int handle, const char* path) {
    std::FILE* file = FileOf(handle);
    if (file == nullptr || path == nullptr) return false;
        // A file is the same one when its volume and its number on the volume are.
#ifdef _WIN32
    BY_HANDLE_FILE_INFORMATION openInfo{};
    BY_HANDLE_FILE_INFORMATION namedInfo{};
    const auto openHandle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (openHandle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(openHandle, &openInfo))
        return false;
    const HANDLE namedHandle =
        CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (namedHandle == INVALID_HANDLE_VALUE) return false;
    const bool read = GetFileInformationByHandle(namedHandle, &namedInfo) != 0;
    CloseHandle(namedHandle);
    return read && openInfo.dwVolumeSerialNumber == namedInfo.dwVolumeSerialNumber &&
           openInfo.nFileIndexHigh == namedInfo.nFileIndexHigh &&
           openInfo.nFileIndexLow == namedInfo.nFileIndexLow;
#else
    struct stat openInfo {};
    struct stat namedInfo {};
    return fstat(fileno(file), &openInfo) == 0 && stat(path, &namedInfo) == 0 &&
           openInfo.st_dev == namedInfo.st_dev && openInfo.st_ino == namedInfo.st_ino;
#endif
}

int CopyOpenFile(int source, int target) {
    std::FILE* from = FileOf(source);
    std::FILE* to = FileOf(target);
    if (from == nullptr || to == nullptr) return -1;
    ForgetPosition(source);
    ForgetPosition(target);
    if (std::fseek(from, 0, SEEK_SET) != 0) return -1;
    char block[65536];
    bool copied = true;
    for (std::size_t count; (count = std::fread(block, 1, sizeof block, from)) > 0;)
        copied = copied && std::fwrite(block, 1, count, to) == count;
    copied = copied && std::ferror(from) == 0 && std::fflush(to) == 0;
    // Reading and writing one stream need a seek between them.
    return std::fseek(from, 0, SEEK_END) == 0 && copied ? 0 : -1;
}

bool FileExists(const char* path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

bool NameTaken(const char* path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

int LinkTarget(const char* path, char* target, std::size_t size) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path at(path);
    if (!fs::is_symlink(fs::symlink_status(at, error))) return 0;
    // As many links as the system itself follows before it calls the chain a loop.
    for (int links = 0; links < 40; ++links) {
        const fs::path next = fs::read_symlink(at, error);
        if (error) return -1;
        at = next.is_absolute() ? next : at.parent_path() / next;
        if (!fs::is_symlink(fs::symlink_status(at, error))) {
            const std::string end = at.string();
            if (end.size() + 1 > size) return -1;
            std::memcpy(target, end.c_str(), end.size() + 1);
            return 1;
        }
    }
    return -1;
}

bool SameFileBytes(const char* first, const char* second) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(first, error) ||
        !std::filesystem::is_regular_file(second, error) ||
        std::filesystem::file_size(first, error) != std::filesystem::file_size(second, error) ||
        error)
        return false;
    std::FILE* one = std::fopen(first, "rb");
    std::FILE* other = std::fopen(second, "rb");
    bool same = one != nullptr && other != nullptr;
    char a[4096];
    char b[4096];
    while (same) {
        const std::size_t count = std::fread(a, 1, sizeof a, one);
        same = std::fread(b, 1, sizeof b, other) == count && std::memcmp(a, b, count) == 0;
        if (count < sizeof a) break;
    }
    same = same && std::ferror(one) == 0 && std::ferror(other) == 0;
    if (one != nullptr) std::fclose(one);
    if (other != nullptr) std::fclose(other);
    return same;
}

int MakeDir(const char* name) {
    std::error_code error;
    return std::filesystem::create_directory(name, error) ? 0 : -1;
}

int GetDir(char* buffer, std::size_t size) {
    std::error_code error;
    const std::string folder = std::filesystem::current_path(error).string();
    if (error || size == 0 || folder.size() + 1 > size) return -1;
    std::memcpy(buffer, folder.c_str(), folder.size() + 1);
    return 0;
}

int RenameFile(const char* source, const char* target) {
    std::error_code error;
    std::filesystem::rename(source, target, error);
    return error ? -1 : 0;
}

int RemoveFile(const char* path) {
    return std::remove(path) == 0 ? 0 : -1;
}

int CopyRegularFile(const char* source, const char* target) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(source, error)) return -1;
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing,
                               error);
    return error ? -1 : 0;
}

SmallFileRead ReadSmallFile(const char* path, char* buffer, std::size_t capacity,
                            std::size_t* size) {
    *size = 0;
    if (path == nullptr || path[0] == '\0') return SmallFileRead::Missing;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return SmallFileRead::Missing;
    if (error) return SmallFileRead::CannotRead;
    if (status.type() == std::filesystem::file_type::directory) return SmallFileRead::Folder;
    if (status.type() != std::filesystem::file_type::regular) return SmallFileRead::NotAFile;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return SmallFileRead::CannotRead;
    *size = std::fread(buffer, 1, capacity, file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) *size = 0;
    return failed ? SmallFileRead::CannotRead : SmallFileRead::Read;
}
