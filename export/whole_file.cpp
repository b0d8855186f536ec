#include "export/whole_file.h"

#include <filesystem>
#include <fstream>

bool WriteWholeFile(const std::string& path, const char* bytes, std::size_t size,
                    std::string& error) {
    const std::filesystem::path target(path);
    const std::filesystem::path temporary(path + ".new");
    std::error_code ignored;
    {
        // Binary: the same bytes on every system, no line ends turned into CR LF.
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) {
            error = "cannot create " + temporary.string();
            return false;
        }
        file.write(bytes, static_cast<std::streamsize>(size));
        file.close();
        if (!file) {
            std::filesystem::remove(temporary, ignored);
            error = "cannot write " + temporary.string() + " (is the disk full?)";
            return false;
        }
    }
    std::error_code renameError;
    std::filesystem::rename(temporary, target, renameError);
    if (renameError) {
        std::filesystem::remove(temporary, ignored);
        error = "cannot replace " + target.string() + ": " + renameError.message();
        return false;
    }
    return true;
}
