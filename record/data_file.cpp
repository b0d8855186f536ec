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

int MakeDataFilePath(const RecordState& record, const char* prefix, bool withSeconds, char* path,
                     std::size_t pathSize, char* shortName, std::size_t shortNameSize) {
    const FileStamp& stamp = record.fileStamp;
    char base[64];
    if (withSeconds)
        FormatText(base, sizeof base, "%s_%02d%02d%02d_%02d-%02d-%02d", prefix, stamp.day,
                   stamp.month, stamp.year2, stamp.hour, stamp.minute, stamp.second);
    else
        FormatText(base, sizeof base, "%s_%02d%02d%02d_%02d-%02d", prefix, stamp.day, stamp.month,
                   stamp.year2, stamp.hour, stamp.minute);
    // A recording never replaces another: a name already taken gets "_2", "_3", ...
    for (int copy = 1; copy < 10000; ++copy) {
        if (copy == 1)
            FormatText(shortName, shortNameSize, "%s.csv", base);
        else
            FormatText(shortName, shortNameSize, "%s_%d.csv", base, copy);
        const int length =
            FormatText(path, pathSize, "%s%c%s", record.recordFolder, pathSeparator, shortName);
        if (length < 0 || static_cast<std::size_t>(length) >= pathSize) return -1;
        if (!FileExists(path)) return 0;
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
    GetCurrentDateTime(&record.turnFileTime);
    TakeFileStamp(record, record.turnFileTime);
    const bool named =
        MakeDataFilePath(record, prefix, true, record.turnPath, sizeof record.turnPath,
                         record.fileShortName, sizeof record.fileShortName) == 0;
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
    TellRider(record, message);
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
        if (!lost) TellRider(record, message);
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
