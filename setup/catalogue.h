#pragma once
// Every control the station touches, by its number within its panel. The panel resource carries
// the same numbers; a test loads it and checks every entry here exists with its kind.

#include "platform/control_kind.h"

// Panel numbers within the resource file.
constexpr int WARMUP = 1;
constexpr int MAIN = 2;

// Main panel: commands, switches and selectors.
constexpr int MAIN_HOLD = 2;
// The session button: "Start session" while none records, "Stop session" while one does.
constexpr int MAIN_SESSION_BUTTON = 100;
constexpr int MAIN_SESSION_CMD_1 = 3;
constexpr int MAIN_SESSION_CMD_2 = 4;
constexpr int MAIN_SERVICE_CMD = 7;
constexpr int MAIN_LINK_LED = 26;
constexpr int MAIN_PLOT_MODE = 31;
constexpr int MAIN_COM_PORT = 37;
constexpr int MAIN_ACCESS_CODE = 45;
constexpr int MAIN_FACTORY_CMD_1 = 65;
constexpr int MAIN_FACTORY_CMD_2 = 66;
constexpr int MAIN_SERIAL = 83;
constexpr int MAIN_DEBU = 84;
constexpr int MAIN_CADI = 85;
constexpr int MAIN_WARMUP_MODE = 86;
constexpr int MAIN_SINGLE_SIDE = 87;
constexpr int MAIN_PLOT_CADENCE = 91;
constexpr int MAIN_PLOT_HR = 92;

// Main panel: setup parameter fields.
constexpr int MAIN_RIGHT_FORCE_OFFSET = 61;
constexpr int MAIN_RIGHT_AUX_OFFSET = 60;
constexpr int MAIN_LEFT_FORCE_OFFSET = 59;
constexpr int MAIN_LEFT_AUX_OFFSET = 58;
constexpr int MAIN_RIGHT_FORCE_GAIN = 57;
constexpr int MAIN_RIGHT_RATIO_SCALE = 44;
constexpr int MAIN_LEFT_FORCE_GAIN = 43;
constexpr int MAIN_LEFT_RATIO_SCALE = 42;
constexpr int MAIN_WHEEL_DIAMETER = 41;
constexpr int MAIN_SIMULATION = 62;
constexpr int MAIN_CORRECTION_REFERENCE = 35;
constexpr int MAIN_CRANK_LENGTH = 40;
constexpr int MAIN_TOTAL_KM = 36;
constexpr int MAIN_RIGHT_CORRECTION_COEFF = 39;
constexpr int MAIN_LEFT_CORRECTION_COEFF = 34;
constexpr int MAIN_RECORD_INTERVAL = 38;
constexpr int MAIN_DISPLAY_FILTER = 33;
constexpr int MAIN_RESERVED_FLAG = 63;
constexpr int MAIN_TURN_DETECTION = 32;

// Main panel: read-outs.
constexpr int MAIN_RIGHT_FORCE = 56;
constexpr int MAIN_RIGHT_AUX = 51;
constexpr int MAIN_LEFT_FORCE = 50;
constexpr int MAIN_LEFT_AUX = 49;
constexpr int MAIN_CRANK_CADENCE = 46;
constexpr int MAIN_CADENCE = 29;
constexpr int MAIN_SPEED = 28;
constexpr int MAIN_HEART_RATE = 24;
constexpr int MAIN_BATTERY = 30;
constexpr int MAIN_POWER_TOTAL = 25;
constexpr int MAIN_POWER_LEFT = 23;
constexpr int MAIN_POWER_RIGHT = 20;
constexpr int MAIN_BALANCE_LEFT = 90;
constexpr int MAIN_BALANCE_RIGHT = 89;
constexpr int MAIN_OFL = 22;
constexpr int MAIN_OFR = 16;
constexpr int MAIN_OFL_2 = 80;
constexpr int MAIN_OFR_2 = 79;
constexpr int MAIN_UDL = 21;
constexpr int MAIN_UDR = 15;
constexpr int MAIN_UDL_2 = 82;
constexpr int MAIN_UDR_2 = 81;
constexpr int MAIN_TURN_LED = 27;
constexpr int MAIN_RIGHT_RAW_FORCE = 55;
constexpr int MAIN_RIGHT_RAW_AUX = 54;
constexpr int MAIN_LEFT_RAW_FORCE = 53;
constexpr int MAIN_LEFT_RAW_AUX = 52;
constexpr int MAIN_RIGHT_AUX_RATIO = 48;
constexpr int MAIN_LEFT_AUX_RATIO = 47;
constexpr int MAIN_KCAL = 19;
constexpr int MAIN_SESSION_POWER_AVG = 18;
constexpr int MAIN_SESSION_SPEED_AVG = 17;
constexpr int MAIN_SESSION_CLOCK = 77;
constexpr int MAIN_SESSION_FILE = 75;
// Main panel: the link's health, for the technician.
constexpr int MAIN_LINK_FRAMES = 110;
constexpr int MAIN_LINK_SKIPPED = 111;
constexpr int MAIN_LINK_CUT = 112;
constexpr int MAIN_LINK_REJECTED = 113;
// Main panel: torque effectiveness and pedal smoothness of each pedal, beside the balance.
constexpr int MAIN_TE_LEFT = 114;
constexpr int MAIN_TE_RIGHT = 115;
constexpr int MAIN_PS_LEFT = 116;
constexpr int MAIN_PS_RIGHT = 117;
// Main panel: the polar view's figures, shown with it, and how many revolutions it averages.
constexpr int MAIN_POLAR_RIGHT_PEAK = 140;
constexpr int MAIN_POLAR_LEFT_PEAK = 141;
constexpr int MAIN_POLAR_RIGHT_DEAD = 142;
constexpr int MAIN_POLAR_LEFT_DEAD = 143;
constexpr int MAIN_POLAR_RIGHT_DEPTH = 144;
constexpr int MAIN_POLAR_LEFT_DEPTH = 145;
constexpr int MAIN_POLAR_RIGHT_NEGATIVE = 146;
constexpr int MAIN_POLAR_LEFT_NEGATIVE = 147;
constexpr int MAIN_POLAR_TURNS = 148;
constexpr int MAIN_POLAR_RIGHT_BOTTOM = 151;
constexpr int MAIN_POLAR_LEFT_BOTTOM = 152;
constexpr int MAIN_POLAR_RIGHT_BOTTOM_DEPTH = 153;
constexpr int MAIN_POLAR_LEFT_BOTTOM_DEPTH = 154;
// A power phase and a peak power phase read "start - end", in degrees from the pedal's top.
constexpr int MAIN_POLAR_RIGHT_PHASE = 155;
constexpr int MAIN_POLAR_LEFT_PHASE = 156;
constexpr int MAIN_POLAR_RIGHT_PEAK_PHASE = 157;
constexpr int MAIN_POLAR_LEFT_PEAK_PHASE = 158;
constexpr int MAIN_POLAR_RIGHT_SHAPE = 159;
constexpr int MAIN_POLAR_LEFT_SHAPE = 160;
// The polar view's own square plot, shown instead of the graph.
constexpr int MAIN_POLAR_GRAPH = 161;
// Main panel: the calibration with a known mass, from the calibration code up.
constexpr int MAIN_CALIBRATE_MASS = 149;
// A ride played again: where it stands and how long it is, shown only while one plays.
constexpr int MAIN_REPLAY_POSITION = 150;

// Main panel: sharing with training apps, and what is shared, where and with how many.
constexpr int MAIN_SHARE = 162;
constexpr int MAIN_SHARE_STATUS = 163;

// Main panel: the button that opens a past ride in the review window.
constexpr int MAIN_REVIEW = 108;

// Main panel: graph, text box and layout elements.
constexpr int MAIN_GRAPH = 10;
constexpr int MAIN_MESSAGES = 93;
constexpr int MAIN_CAL_COVER_1 = 64;
constexpr int MAIN_CAL_COVER_2 = 69;
constexpr int MAIN_START_NOTICE = 68;

// Warm-up panel.
constexpr int WARMUP_SKIP = 2;
constexpr int WARMUP_RESET = 3;
constexpr int WARMUP_PROGRESS = 4;

struct CatalogueEntry {
    int panel;        // WARMUP or MAIN
    int control;      // number within the panel; 0 for the timers, which have none
    const char* name; // "MAIN_HOLD"
    ControlKind kind;
    const char* callback; // callback attached to the control, or nullptr
    const char* label;    // visible label with its unit, also the accessible name
};

// The catalogue, and the controls whose callbacks the code leaves to the layout.
const CatalogueEntry* CatalogueBegin();
const CatalogueEntry* CatalogueEnd();
const CatalogueEntry* FindCatalogueEntry(int panel, int control);
// The resource starts the panel locked: the service and factory controls and the session
// commands dimmed, the covers over the calibration fields.
bool StartsDimmed(int panel, int control);
// The link's health counts start hidden; the display shows them from the calibration code up.
bool StartsHidden(int panel, int control);
