#pragma once
// The crank's calibration and the bicycle's geometry, as the setup file holds them, and the state
// of the setup subsystem.

// One value per line of the setup file, in file order.
struct SetupParameters {
    float rightForceOffset;
    float rightForceGain;
    float rightAuxOffset;
    float rightRatioScale;
    float leftForceOffset;
    float leftForceGain;
    float leftAuxOffset;
    float leftRatioScale;
    float wheelDiameter;
    int simulation;
    float correctionReference;
    float crankLength;
    float totalKm;
    float rightCorrectionCoeff;
    float leftCorrectionCoeff;
    int recordInterval;
    int displayFilter;
    float reserved1;
    float reserved2;
    float reserved3;
    int reservedFlag;
    int turnDetection;
    int serialNumber;
};

// Which pedals the crank measures: both, the right alone (the left carries a fixed force), or the
// left alone; the panel's single-side selector gives it.
enum class SingleSide { Both, RightOnly, LeftOnly };

// The warm-up window's course: off, to be shown at the next window end, filling, then complete
// with its reset button blinking yellow and grey, one phase per window.
enum class WarmupState { Off, ToShow, Filling, CompleteYellow, CompleteGrey };

struct SetupState {
    SetupParameters setup;
    int accessCode; // the access code last entered
    char setupPath[512];
    // The calibration in use was not read from a file (the start's file could not be read or
    // holds no number): it must not replace a default file the station never read, until the
    // rider saves.
    bool calibrationUnread;
    float wheelCircumference;
    SingleSide singleSide;

    // The panels the catalogue's controls live on.
    int mainPanel;
    int warmupPanel;

    // The port file: the crank's port and the display choices kept with it.
    int comPort;
    int warmupMode;
    int plotHeartRate;
    int plotCadence;

    // The warm-up before the offsets are zeroed.
    WarmupState warmupState;
    int warmupLevel;
};
