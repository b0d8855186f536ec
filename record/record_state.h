#pragma once
// The session being recorded and the turn files.

struct FileStamp {
    int hour;
    int minute;
    int second;
    int month;
    int day;
    int year;
    int year2;
    double seconds;
};

struct RecordState {
    int sessionActive;
    int sessionFile;
    int sessionRow;
    double sessionStartTime;
    char recordFolder[512];
    char defaultRecordFolder[512];
    char sessionPath[512];
    char fileShortName[512];
    FileStamp fileStamp;
    float rowPowerTotal;
    float rowTorqueTotal;
    float rowTorqueLeft;
    float rowTorqueRight;
    float rowRatioLeft;
    float phoneBattery;
    float sessionPowerSum;
    float sessionSpeedSum;
    float sessionPowerAverage;
    float sessionSpeedAverage;
    int sessionWriteFailed; // a row could not be written; told to the rider once
    double lastSyncTime;    // when the session file was last stored on disk

    int turnFile;
    int turnWriteFailed; // a header line of the turn file being written did not reach it
    double turnFileTime;
    char turnPath[512];
};
