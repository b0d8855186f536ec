#pragma once
// What the session, single-turn and multi-turn files share: their names from the date and time,
// never replacing an earlier recording, and how a line is written.

#include "record/record_state.h"

#include <cstddef>

// Splits a date-time into fileStamp.
void TakeFileStamp(RecordState& record, double dateTime);
// The files that share a data file's name. A session's file has its FIT and TCX files beside it
// at its close and, live, its raw stream: a name is free only when none of its set is there, so
// no ride's file is ever written over, nor one taken for another ride's. A replay writes no raw
// stream, and the one it plays has the name it would take.
// Kept: a session kept in memory, whose name no file can take.
enum class NameSet { DataFile, Session, ReplayedSession, Kept };
// Makes recordFolder/<prefix>_DDMMYY_HH-MM[-SS][_n].csv a name no file of its set has yet, into
// path and its file name into shortName; withSeconds adds the seconds. When the first name was
// taken, firstTaken (when given) gets the file that took it, else it is made empty. Returns 0, or
// -1 when the path does not fit.
int MakeDataFilePath(const RecordState& record, const char* prefix, bool withSeconds, NameSet set,
                     char* path, std::size_t pathSize, char* shortName, std::size_t shortNameSize,
                     char* firstTaken = nullptr, std::size_t firstTakenSize = 0);
// Opens a new data file for writing, and for reading back; -1 when it cannot be created.
int OpenDataFile(const char* path);
// Writes one line of text; false when it did not reach the file.
bool WriteDataText(int handle, const char* line);
// Formats one line (cut at 1023 characters) and writes it; false when it did not reach the file.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
bool WriteDataLine(int handle, const char* format, ...);
// Opens a new turn file (prefix "T" or "X") named from the current time into turnPath, and writes
// its first line (the kind word, a space, a comma and its name) and its column names. False, after
// telling the rider, when it cannot be created.
bool StartTurnFile(RecordState& record, const char* prefix, const char* kindWord,
                   const char* columns, const char* what);
// Writes the closing "#####", stores the file on disk and closes it; tells the rider when any of
// its lines did not reach the file.
void FinishTurnFile(RecordState& record, bool written, const char* what);
// A line for the rider's message box, kept in the recording's notices until it is shown.
void TellRider(RecordState& record, const char* line);
// Tells the rider, in the message box, that a recording could not be written.
void ReportDataFileFailure(RecordState& record, const char* what, const char* path);
// A data file deleted or moved away while open would take every later line or block where
// nobody finds it: a new file at its path gets all it holds, read back through its handle, and
// the recording goes on there, the rider told ("what deleted or moved away, written anew with
// held"). A file that took the name meanwhile is not the station's and is never written over:
// the recording goes on where it went, and the rider is told once, while lost is set. True when
// the file was written anew.
bool KeepFileAtPath(RecordState& record, int& handle, const char* path, int& lost, const char* what,
                    const char* held);
