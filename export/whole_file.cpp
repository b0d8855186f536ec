#include "export/whole_file.h"

#include <filesystem>

// Binary: the same bytes on every system, no line ends turned into CR LF.
WholeFileWriter::WholeFileWriter(const std::string& path)
    : target(path), temporary(path + ".new"),
      file(std::filesystem::path(temporary), std::ios::binary | std::ios::trunc) {}

WholeFileWriter::~WholeFileWriter() {
    if (committed) return;
    file.close();
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
}

void WholeFileWriter::Write(const char* bytes, std::size_t size) {
    if (file) file.write(bytes, static_cast<std::streamsize>(size));
}

bool WholeFileWriter::Commit(std::string& error) {
    if (!file.is_open()) {
        error = "cannot create " + temporary;
        return false;
    }
    file.close();
    if (!file) {
        error = "cannot write " + temporary + " (is the disk full?)";
        return false;
    }
    // A hard link takes the name only while nobody has it: no moment between a look and the
    // write lets another file's bytes go.
    std::error_code linkError;
    std::filesystem::create_hard_link(temporary, target, linkError);
    if (!linkError) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        committed = true;
        return true;
    }
    std::error_code ignored;
    if (std::filesystem::exists(target, ignored) || std::filesystem::is_symlink(target, ignored)) {
        error = target + " is there already: not written over";
        return false;
    }
    // A file system without hard links (FAT): the name was free a moment ago.
    std::error_code renameError;
    std::filesystem::rename(temporary, target, renameError);
    if (renameError) {
        error = "cannot write " + target + ": " + renameError.message();
        return false;
    }
    committed = true;
    return true;
}

bool WriteWholeFile(const std::string& path, const char* bytes, std::size_t size,
                    std::string& error) {
    WholeFileWriter writer(path);
    writer.Write(bytes, size);
    return writer.Commit(error);
}
