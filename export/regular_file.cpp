#include "export/regular_file.h"

#include <filesystem>
#include <system_error>

FileKind KindOfFile(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    switch (status.type()) {
    case std::filesystem::file_type::regular:
        return FileKind::Regular;
    case std::filesystem::file_type::directory:
        return FileKind::Folder;
    case std::filesystem::file_type::not_found:
    case std::filesystem::file_type::none:
        return FileKind::Missing;
    default:
        return FileKind::Other;
    }
}

const char* NotReadBecause(FileKind kind) {
    switch (kind) {
    case FileKind::Regular:
        return "";
    case FileKind::Missing:
        return "cannot be read";
    case FileKind::Folder:
        return "is a folder";
    case FileKind::Other:
        break;
    }
    return "is no regular file (a device or a pipe)";
}
