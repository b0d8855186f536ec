#include "record/data_file.h"

#include "platform/bounded_text.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"

#include <cmath>
#include <cstdarg>
#include <cstring>

void TakeFileStamp(RecordState& record, double dateTime) {
    FileStamp& stamp = record.fileStamp;
    GetDateTimeElements(dateTime, &stamp.hour, &stamp.minute, &stamp.second, &stamp.month,
                        &stamp.day, &stamp.year);
    stamp.seconds = stamp.second + (dateTime - std::floor(dateTime));
    stamp.year2 = stamp.year % 100;
}

namespace {
// The endings of each set, its data file's first.
constexpr const char* dataFileSet[] = {".csv"};
constexpr const char* sessionSet[] = {".csv", ".fit", ".tcx", ".zanraw"};
constexpr const char* replayedSessionSet[] = {".csv", ".fit", ".tcx"};

// The first file of the set named folder/base+ending that is there, into taken; false when none.
template <std::size_t count>
bool SetTaken(const char* folder, const char* base, const char* const (&endings)[count],
              char* taken, std::size_t takenSize) {
    for (const char* ending : endings) {
        const int length =
            FormatText(taken, takenSize, "%s%c%s%s", folder, pathSeparator, base, ending);
        if (length < 0 || static_cast<std::size_t>(length) >= takenSize || FileExists(taken))
            return true;
    }
    return false;
}

bool NameTaken(NameSet set, const char* folder, const char* base, char* taken,
               std::size_t takenSize) {
    if (set == NameSet::Kept) return false;
    if (set == NameSet::Session) return SetTaken(folder, base, sessionSet, taken, takenSize);
    if (set == NameSet::ReplayedSession)
        return SetTaken(folder, base, replayedSessionSet, taken, takenSize);
    return SetTaken(folder, base, dataFileSet, taken, takenSize);
}
} // namespace

int MakeDataFilePath(const RecordState& record, const char* prefix, bool withSeconds, NameSet set,
                     char* path, std::size_t pathSize, char* shortName, std::size_t shortNameSize,
                     char* firstTaken, std::size_t firstTakenSize) {
    const FileStamp& stamp = record.fileStamp;
    char stem[64];
    if (withSeconds)
        FormatText(stem, sizeof stem, "%s_%02d%02d%02d_%02d-%02d-%02d", prefix, stamp.day,
                   stamp.month, stamp.year2, stamp.hour, stamp.minute, stamp.second);
    else
        FormatText(stem, sizeof stem, "%s_%02d%02d%02d_%02d-%02d", prefix, stamp.day, stamp.month,
                   stamp.year2, stamp.hour, stamp.minute);
    if (firstTaken != nullptr && firstTakenSize > 0) firstTaken[0] = '\0';
    // A recording never replaces another: a name already taken gets "_2", "_3", ...
    char base[80];
    char taken[1024];
    for (int copy = 1; copy < 10000; ++copy) {
        if (copy == 1)
            FormatText(base, sizeof base, "%s", stem);
        else
            FormatText(base, sizeof base, "%s_%d", stem, copy);
        FormatText(shortName, shortNameSize, "%s.csv", base);
        const int length =
            FormatText(path, pathSize, "%s%c%s", record.recordFolder, pathSeparator, shortName);
        if (length < 0 || static_cast<std::size_t>(length) >= pathSize) return -1;
        if (!NameTaken(set, record.recordFolder, base, taken, sizeof taken)) return 0;
        if (copy == 1 && firstTaken != nullptr && firstTakenSize > 0)
            FormatText(firstTaken, firstTakenSize, "%s", taken);
    }
    return -1;
}

int OpenDataFile(const char* path) {
    return CVI_OpenFile(path, VAL_READ_WRITE, VAL_TRUNCATE, VAL_ASCII);
}

bool WriteDataLine(int handle, const char* format, ...) {
    char line[1024];
    std::va_list arguments;
    va_start(arguments, format);
    FormatTextList(line, sizeof line, format, arguments);
    va_end(arguments);
    return WriteDataText(handle, line);
}

bool WriteDataText(int handle, const char* line) {
    const int length = static_cast<int>(std::strlen(line));
    return WriteLine(handle, line, length) == length;
}

bool StartTurnFile(RecordState& record, const char* prefix, const char* kindWord,
                   const char* columns, const char* what) {
    record.turnFileTime = record.now.dateTime;
    TakeFileStamp(record, record.turnFileTime);
    const bool named = MakeDataFilePath(record, prefix, true, NameSet::DataFile, record.turnPath,
                                        sizeof record.turnPath, record.fileShortName,
                                        sizeof record.fileShortName) == 0;
    record.turnFile = named ? OpenDataFile(record.turnPath) : -1;
    if (record.turnFile <= 0) {
        record.turnFile = 0;
        ReportDataFileFailure(record, what, record.turnPath);
        return false;
    }
    bool written = true;
    written &= WriteDataLine(record.turnFile, "%s ,%s", kindWord, record.fileShortName);
    written &= WriteDataLine(record.turnFile, "%s", columns);
    if (!written) record.turnWriteFailed = 1;
    return true;
}

void FinishTurnFile(RecordState& record, bool written, const char* what) {
    written &= WriteDataLine(record.turnFile, "#####");
    written &= SyncFile(record.turnFile) == 0;
    written &= CVI_CloseFile(record.turnFile) == 0;
    record.turnFile = 0;
    if (!written || record.turnWriteFailed) ReportDataFileFailure(record, what, record.turnPath);
    record.turnWriteFailed = 0;
}

namespace {
// A file not written is the recording's failure: counted, and its first line kept.
void TellNotWritten(RecordState& record, const char* line) {
    if (record.filesNotWritten == 0)
        FormatText(record.firstNotWritten, sizeof record.firstNotWritten, "%s", line);
    record.filesNotWritten += 1;
    TellRider(record, line);
}
} // namespace

void TellRider(RecordState& record, const char* line) {
    RecordNotices& notices = record.notices;
    // A full outbox keeps its first lines: the rider learns of the first failures, which matter.
    if (notices.count >= noticeCapacity) return;
    FormatText(notices.lines[notices.count], noticeLength, "%s", line);
    notices.count += 1;
}

void ReportDataFileFailure(RecordState& record, const char* what, const char* path) {
    char message[noticeLength];
    FormatText(message, sizeof message, "%s could not be written: %s", what, path);
    TellNotWritten(record, message);
}

bool KeepFileAtPath(RecordState& record, int& handle, const char* path, int& lost, const char* what,
                    const char* held) {
    if (handle <= 0 || FileIsAt(handle, path)) return false;
    const int anew = FileExists(path) ? -1 : OpenDataFile(path);
    const bool written = anew > 0 && CopyOpenFile(handle, anew) == 0 && SyncFile(anew) == 0;
    char message[noticeLength];
    if (!written) {
        if (anew > 0) {
            CVI_CloseFile(anew);
            RemoveFile(path);
        }
        FormatText(message, sizeof message, "%s deleted or moved away, not written anew: %s", what,
                   path);
        if (!lost) TellNotWritten(record, message);
        lost = 1;
        return false;
    }
    CVI_CloseFile(handle);
    handle = anew;
    lost = 0;
    FormatText(message, sizeof message, "%s deleted or moved away, written anew with %s: %s", what,
               held, path);
    TellRider(record, message);
    return true;
}
