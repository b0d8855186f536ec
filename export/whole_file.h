#pragma once
// An export file is written whole or not at all, and never over another: the bytes go to a new
// file beside it, which takes its name only once every byte is written, so a full disk or a crash
// leaves no file of that name, never half of one, and a file of that name there already is kept.

#include <cstddef>
#include <fstream>
#include <string>

// A file written piece by piece, so a long ride never has to be held whole in memory.
class WholeFileWriter {
  public:
    explicit WholeFileWriter(const std::string& path);
    // A file never committed is removed.
    ~WholeFileWriter();
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    void Write(const char* bytes, std::size_t size);
    // Gives the file its name; false with the reason in error, and nothing left, when a file of
    // that name is there already or the bytes did not all reach the disk.
    bool Commit(std::string& error);

  private:
    std::string target;
    std::string temporary;
    std::ofstream file;
    bool committed = false;
};

// False with the reason in error; the new file is then removed.
bool WriteWholeFile(const std::string& path, const char* bytes, std::size_t size,
                    std::string& error);
