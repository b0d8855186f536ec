#include "setup/catalogue.h"

#include "platform/control_kind.h"

#include <iterator>

namespace {
using K = ControlKind;

// The five command controls whose dimming the code fixes carry callbacks the code leaves to the
// layout: the session pair the turn files (enabled only while a session records), the service
// command the port file, the factory pair loading and saving other setup files. The remaining
// callbacks get command buttons of their own (numbers 100 and up, no catalogue name).
const CatalogueEntry catalogue[] = {
    {MAIN, MAIN_HOLD, "MAIN_HOLD", K::Command, "HOLD", "Hold"},
    {MAIN, MAIN_SESSION_CMD_1, "MAIN_SESSION_CMD_1", K::Command, "SAVET", "Save turn file"},
    {MAIN, MAIN_SESSION_CMD_2, "MAIN_SESSION_CMD_2", K::Command, "SAVE10", "Capture 1000 frames"},
    {MAIN, MAIN_SERVICE_CMD, "MAIN_SERVICE_CMD", K::Command, "DEFX", "Save port settings"},
    {MAIN, MAIN_LINK_LED, "MAIN_LINK_LED", K::Led, "ONLINE", "ONLINE / RECONNECT"},
    {MAIN, MAIN_PLOT_MODE, "MAIN_PLOT_MODE", K::Selector, nullptr, "Plot"},
    {MAIN, MAIN_COM_PORT, "MAIN_COM_PORT", K::NumericInt, nullptr, "COM port"},
    {MAIN, MAIN_ACCESS_CODE, "MAIN_ACCESS_CODE", K::NumericInt, "PWD", "Access code"},
    {MAIN, MAIN_FACTORY_CMD_1, "MAIN_FACTORY_CMD_1", K::Command, "LOAD", "Load setup file"},
    {MAIN, MAIN_FACTORY_CMD_2, "MAIN_FACTORY_CMD_2", K::Command, "SAVS", "Save setup file as"},
    {MAIN, MAIN_SERIAL, "MAIN_SERIAL", K::Switch, "SERIAL", "Program serial number"},
    {MAIN, MAIN_DEBU, "MAIN_DEBU", K::Switch, "DEBU", "Crank debug mode"},
    {MAIN, MAIN_CADI, "MAIN_CADI", K::Switch, "CADI", "Marker-only revolutions"},
    {MAIN, MAIN_WARMUP_MODE, "MAIN_WARMUP_MODE", K::Selector, "DEF", "Warm-up"},
    {MAIN, MAIN_SINGLE_SIDE, "MAIN_SINGLE_SIDE", K::Selector, "OFT", "Pedals"},
    {MAIN, MAIN_PLOT_CADENCE, "MAIN_PLOT_CADENCE", K::Switch, nullptr, "Plot cadence"},
    {MAIN, MAIN_PLOT_HR, "MAIN_PLOT_HR", K::Switch, nullptr, "Plot heart rate"},

    {MAIN, MAIN_RIGHT_FORCE_OFFSET, "MAIN_RIGHT_FORCE_OFFSET", K::Numeric, nullptr,
     "Right force offset (counts)"},
    {MAIN, MAIN_RIGHT_AUX_OFFSET, "MAIN_RIGHT_AUX_OFFSET", K::Numeric, nullptr,
     "Right aux offset (counts)"},
    {MAIN, MAIN_LEFT_FORCE_OFFSET, "MAIN_LEFT_FORCE_OFFSET", K::Numeric, nullptr,
     "Left force offset (counts)"},
    {MAIN, MAIN_LEFT_AUX_OFFSET, "MAIN_LEFT_AUX_OFFSET", K::Numeric, nullptr,
     "Left aux offset (counts)"},
    {MAIN, MAIN_RIGHT_FORCE_GAIN, "MAIN_RIGHT_FORCE_GAIN", K::Numeric, nullptr,
     "Right force gain (N/count)"},
    {MAIN, MAIN_RIGHT_RATIO_SCALE, "MAIN_RIGHT_RATIO_SCALE", K::Numeric, nullptr,
     "Right ratio scale"},
    {MAIN, MAIN_LEFT_FORCE_GAIN, "MAIN_LEFT_FORCE_GAIN", K::Numeric, nullptr,
     "Left force gain (N/count)"},
    {MAIN, MAIN_LEFT_RATIO_SCALE, "MAIN_LEFT_RATIO_SCALE", K::Numeric, nullptr, "Left ratio scale"},
    {MAIN, MAIN_WHEEL_DIAMETER, "MAIN_WHEEL_DIAMETER", K::Numeric, nullptr, "Wheel diameter (mm)"},
    {MAIN, MAIN_SIMULATION, "MAIN_SIMULATION", K::NumericInt, nullptr, "Simulation"},
    {MAIN, MAIN_CORRECTION_REFERENCE, "MAIN_CORRECTION_REFERENCE", K::Numeric, nullptr,
     "Correction reference"},
    {MAIN, MAIN_CRANK_LENGTH, "MAIN_CRANK_LENGTH", K::Numeric, nullptr, "Crank length (mm)"},
    {MAIN, MAIN_TOTAL_KM, "MAIN_TOTAL_KM", K::Numeric, nullptr, "Total (km)"},
    {MAIN, MAIN_RIGHT_CORRECTION_COEFF, "MAIN_RIGHT_CORRECTION_COEFF", K::Numeric, nullptr,
     "Right correction (%)"},
    {MAIN, MAIN_LEFT_CORRECTION_COEFF, "MAIN_LEFT_CORRECTION_COEFF", K::Numeric, nullptr,
     "Left correction (%)"},
    {MAIN, MAIN_RECORD_INTERVAL, "MAIN_RECORD_INTERVAL", K::NumericInt, nullptr,
     "Record interval (s)"},
    {MAIN, MAIN_DISPLAY_FILTER, "MAIN_DISPLAY_FILTER", K::NumericInt, nullptr, "Display filter"},
    {MAIN, MAIN_RESERVED_FLAG, "MAIN_RESERVED_FLAG", K::NumericInt, nullptr, "Reserved flag"},
    {MAIN, MAIN_TURN_DETECTION, "MAIN_TURN_DETECTION", K::NumericInt, nullptr,
     "Revolution detection"},

    {MAIN, MAIN_RIGHT_FORCE, "MAIN_RIGHT_FORCE", K::Numeric, nullptr, "Right force (N)"},
    {MAIN, MAIN_RIGHT_AUX, "MAIN_RIGHT_AUX", K::Numeric, nullptr, "Right aux (counts)"},
    {MAIN, MAIN_LEFT_FORCE, "MAIN_LEFT_FORCE", K::Numeric, nullptr, "Left force (N)"},
    {MAIN, MAIN_LEFT_AUX, "MAIN_LEFT_AUX", K::Numeric, nullptr, "Left aux (counts)"},
    {MAIN, MAIN_CRANK_CADENCE, "MAIN_CRANK_CADENCE", K::Numeric, nullptr, "Crank cadence (rpm)"},
    {MAIN, MAIN_CADENCE, "MAIN_CADENCE", K::Numeric, nullptr, "Cadence (rpm)"},
    {MAIN, MAIN_SPEED, "MAIN_SPEED", K::Numeric, nullptr, "Speed (km/h)"},
    {MAIN, MAIN_HEART_RATE, "MAIN_HEART_RATE", K::Numeric, nullptr, "Heart rate (bpm)"},
    {MAIN, MAIN_BATTERY, "MAIN_BATTERY", K::Numeric, nullptr, "Battery (%)"},
    {MAIN, MAIN_POWER_TOTAL, "MAIN_POWER_TOTAL", K::Numeric, nullptr, "Power (W)"},
    {MAIN, MAIN_POWER_LEFT, "MAIN_POWER_LEFT", K::Numeric, nullptr, "Left power (W)"},
    {MAIN, MAIN_POWER_RIGHT, "MAIN_POWER_RIGHT", K::Numeric, nullptr, "Right power (W)"},
    {MAIN, MAIN_BALANCE_LEFT, "MAIN_BALANCE_LEFT", K::Numeric, nullptr, "Left balance (%)"},
    {MAIN, MAIN_BALANCE_RIGHT, "MAIN_BALANCE_RIGHT", K::Numeric, nullptr, "Right balance (%)"},
    {MAIN, MAIN_OFL, "MAIN_OFL", K::Numeric, nullptr, "OFL"},
    {MAIN, MAIN_OFR, "MAIN_OFR", K::Numeric, nullptr, "OFR"},
    {MAIN, MAIN_OFL_2, "MAIN_OFL_2", K::Numeric, nullptr, "OFL (mirrored)"},
    {MAIN, MAIN_OFR_2, "MAIN_OFR_2", K::Numeric, nullptr, "OFR (mirrored)"},
    {MAIN, MAIN_UDL, "MAIN_UDL", K::Numeric, nullptr, "UDL (%)"},
    {MAIN, MAIN_UDR, "MAIN_UDR", K::Numeric, nullptr, "UDR (%)"},
    {MAIN, MAIN_UDL_2, "MAIN_UDL_2", K::Numeric, nullptr, "UDL 2 (%)"},
    {MAIN, MAIN_UDR_2, "MAIN_UDR_2", K::Numeric, nullptr, "UDR 2 (%)"},
    {MAIN, MAIN_TURN_LED, "MAIN_TURN_LED", K::Led, nullptr, "Revolution"},
    {MAIN, MAIN_RIGHT_RAW_FORCE, "MAIN_RIGHT_RAW_FORCE", K::NumericInt, nullptr,
     "Right force raw (counts)"},
    {MAIN, MAIN_RIGHT_RAW_AUX, "MAIN_RIGHT_RAW_AUX", K::NumericInt, nullptr,
     "Right aux raw (counts)"},
    {MAIN, MAIN_LEFT_RAW_FORCE, "MAIN_LEFT_RAW_FORCE", K::NumericInt, nullptr,
     "Left force raw (counts)"},
    {MAIN, MAIN_LEFT_RAW_AUX, "MAIN_LEFT_RAW_AUX", K::NumericInt, nullptr, "Left aux raw (counts)"},
    {MAIN, MAIN_RIGHT_AUX_RATIO, "MAIN_RIGHT_AUX_RATIO", K::Numeric, nullptr, "Right aux ratio"},
    {MAIN, MAIN_LEFT_AUX_RATIO, "MAIN_LEFT_AUX_RATIO", K::Numeric, nullptr, "Left aux ratio"},
    {MAIN, MAIN_KCAL, "MAIN_KCAL", K::Numeric, nullptr, "Energy (kcal)"},
    {MAIN, MAIN_SESSION_POWER_AVG, "MAIN_SESSION_POWER_AVG", K::Numeric, nullptr,
     "Session power (W)"},
    {MAIN, MAIN_SESSION_SPEED_AVG, "MAIN_SESSION_SPEED_AVG", K::Numeric, nullptr,
     "Session speed (km/h)"},
    {MAIN, MAIN_SESSION_CLOCK, "MAIN_SESSION_CLOCK", K::TextMessage, nullptr,
     "Session time (h:m:s)"},
    {MAIN, MAIN_SESSION_FILE, "MAIN_SESSION_FILE", K::TextMessage, nullptr, "Session file"},
    {MAIN, MAIN_LINK_FRAMES, "MAIN_LINK_FRAMES", K::NumericInt, nullptr, "Link frames"},
    {MAIN, MAIN_LINK_SKIPPED, "MAIN_LINK_SKIPPED", K::NumericInt, nullptr, "Bytes skipped"},
    {MAIN, MAIN_LINK_CUT, "MAIN_LINK_CUT", K::NumericInt, nullptr, "Frames cut"},
    {MAIN, MAIN_LINK_REJECTED, "MAIN_LINK_REJECTED", K::NumericInt, nullptr, "Frames rejected"},
    {MAIN, MAIN_TE_LEFT, "MAIN_TE_LEFT", K::Numeric, nullptr, "TE left (%)"},
    {MAIN, MAIN_TE_RIGHT, "MAIN_TE_RIGHT", K::Numeric, nullptr, "TE right (%)"},
    {MAIN, MAIN_PS_LEFT, "MAIN_PS_LEFT", K::Numeric, nullptr, "PS left (%)"},
    {MAIN, MAIN_PS_RIGHT, "MAIN_PS_RIGHT", K::Numeric, nullptr, "PS right (%)"},
    {MAIN, MAIN_POLAR_RIGHT_PEAK, "MAIN_POLAR_RIGHT_PEAK", K::Numeric, nullptr,
     "Right peak angle (deg)"},
    {MAIN, MAIN_POLAR_LEFT_PEAK, "MAIN_POLAR_LEFT_PEAK", K::Numeric, nullptr,
     "Left peak angle (deg)"},
    {MAIN, MAIN_POLAR_RIGHT_DEAD, "MAIN_POLAR_RIGHT_DEAD", K::Numeric, nullptr,
     "Right top dead spot (deg)"},
    {MAIN, MAIN_POLAR_LEFT_DEAD, "MAIN_POLAR_LEFT_DEAD", K::Numeric, nullptr,
     "Left top dead spot (deg)"},
    {MAIN, MAIN_POLAR_RIGHT_DEPTH, "MAIN_POLAR_RIGHT_DEPTH", K::Numeric, nullptr,
     "Right top dead spot depth (N)"},
    {MAIN, MAIN_POLAR_LEFT_DEPTH, "MAIN_POLAR_LEFT_DEPTH", K::Numeric, nullptr,
     "Left top dead spot depth (N)"},
    {MAIN, MAIN_POLAR_RIGHT_NEGATIVE, "MAIN_POLAR_RIGHT_NEGATIVE", K::Numeric, nullptr,
     "Right negative share (%)"},
    {MAIN, MAIN_POLAR_LEFT_NEGATIVE, "MAIN_POLAR_LEFT_NEGATIVE", K::Numeric, nullptr,
     "Left negative share (%)"},
    {MAIN, MAIN_POLAR_TURNS, "MAIN_POLAR_TURNS", K::NumericInt, nullptr, "Polar revolutions"},
    {MAIN, MAIN_POLAR_RIGHT_BOTTOM, "MAIN_POLAR_RIGHT_BOTTOM", K::Numeric, nullptr,
     "Right bottom dead spot (deg)"},
    {MAIN, MAIN_POLAR_LEFT_BOTTOM, "MAIN_POLAR_LEFT_BOTTOM", K::Numeric, nullptr,
     "Left bottom dead spot (deg)"},
    {MAIN, MAIN_POLAR_RIGHT_BOTTOM_DEPTH, "MAIN_POLAR_RIGHT_BOTTOM_DEPTH", K::Numeric, nullptr,
     "Right bottom dead spot depth (N)"},
    {MAIN, MAIN_POLAR_LEFT_BOTTOM_DEPTH, "MAIN_POLAR_LEFT_BOTTOM_DEPTH", K::Numeric, nullptr,
     "Left bottom dead spot depth (N)"},
    {MAIN, MAIN_POLAR_RIGHT_PHASE, "MAIN_POLAR_RIGHT_PHASE", K::TextMessage, nullptr,
     "Right power phase (deg)"},
    {MAIN, MAIN_POLAR_LEFT_PHASE, "MAIN_POLAR_LEFT_PHASE", K::TextMessage, nullptr,
     "Left power phase (deg)"},
    {MAIN, MAIN_POLAR_RIGHT_PEAK_PHASE, "MAIN_POLAR_RIGHT_PEAK_PHASE", K::TextMessage, nullptr,
     "Right peak power phase (deg)"},
    {MAIN, MAIN_POLAR_LEFT_PEAK_PHASE, "MAIN_POLAR_LEFT_PEAK_PHASE", K::TextMessage, nullptr,
     "Left peak power phase (deg)"},
    {MAIN, MAIN_POLAR_RIGHT_SHAPE, "MAIN_POLAR_RIGHT_SHAPE", K::Numeric, nullptr,
     "Right shape score"},
    {MAIN, MAIN_POLAR_LEFT_SHAPE, "MAIN_POLAR_LEFT_SHAPE", K::Numeric, nullptr, "Left shape score"},
    {MAIN, MAIN_POLAR_GRAPH, "MAIN_POLAR_GRAPH", K::Graph, nullptr, "Polar plot"},
    {MAIN, MAIN_CALIBRATE_MASS, "MAIN_CALIBRATE_MASS", K::Command, "CALM", "Calibrate with a mass"},

    {MAIN, MAIN_GRAPH, "MAIN_GRAPH", K::Graph, nullptr, "Graph"},
    {MAIN, MAIN_MESSAGES, "MAIN_MESSAGES", K::TextBox, "RTEXT", "Messages"},
    {MAIN, MAIN_CAL_COVER_1, "MAIN_CAL_COVER_1", K::Decoration, nullptr, "Calibration cover"},
    {MAIN, MAIN_CAL_COVER_2, "MAIN_CAL_COVER_2", K::Decoration, nullptr,
     "Calibration cover (gains)"},
    {MAIN, MAIN_START_NOTICE, "MAIN_START_NOTICE", K::TextMessage, nullptr, "Start notice"},
    {MAIN, MAIN_REPLAY_POSITION, "MAIN_REPLAY_POSITION", K::TextMessage, nullptr,
     "Replay position"},

    {MAIN, MAIN_SESSION_BUTTON, nullptr, K::Command, "SAVE", "Start session"},
    {MAIN, 101, nullptr, K::Command, "DEF", "Save setup"},
    {MAIN, 102, nullptr, K::Command, "DEFM", "Save setup, restart warm-up"},
    {MAIN, 103, nullptr, K::Command, "SRCH", "Link check / search ZAN"},
    {MAIN, 104, nullptr, K::Command, "ZERO", "Zero offsets"},
    {MAIN, 105, nullptr, K::Command, "CLR", "Clear graph"},
    {MAIN, 106, nullptr, K::Command, "PRINT", "Print panel (PDF)"},
    {MAIN, 107, nullptr, K::Command, "FINE", "Quit"},
    {MAIN, MAIN_REVIEW, "MAIN_REVIEW", K::Command, "REVIEW", "Review a ride"},
    {MAIN, MAIN_SHARE, "MAIN_SHARE", K::Switch, "SHARE", "Share with training apps"},
    {MAIN, MAIN_SHARE_STATUS, "MAIN_SHARE_STATUS", K::TextMessage, nullptr, "Sharing"},

    {MAIN, 98, "MAIN_LINK_TIMER", K::Timer, "TIMER", "Link timer (20 ms)"},
    {MAIN, 99, "MAIN_DISPLAY_TIMER", K::Timer, "DISPLAY", "Display timer (500 ms)"},

    {WARMUP, WARMUP_SKIP, "WARMUP_SKIP", K::Command, "SKIP", "Skip"},
    {WARMUP, WARMUP_RESET, "WARMUP_RESET", K::Command, "RESET", "Reset offsets"},
    {WARMUP, WARMUP_PROGRESS, "WARMUP_PROGRESS", K::NumericInt, nullptr, "Warm-up (%)"},
};
} // namespace

const CatalogueEntry* CatalogueBegin() {
    return std::begin(catalogue);
}
const CatalogueEntry* CatalogueEnd() {
    return std::end(catalogue);
}

const CatalogueEntry* FindCatalogueEntry(int panel, int control) {
    for (const CatalogueEntry& entry : catalogue)
        if (entry.panel == panel && entry.control == control) return &entry;
    return nullptr;
}

bool DescribeControl(int panel, int control, const char** label, const char** name) {
    const CatalogueEntry* entry = FindCatalogueEntry(panel, control);
    if (entry == nullptr) return false;
    *label = entry->label;
    // An unnamed button goes by its callback.
    *name = entry->name != nullptr ? entry->name : entry->callback;
    return true;
}

bool StartsDimmed(int panel, int control) {
    const int dimmed[] = {
        MAIN_SESSION_CMD_1,
        MAIN_SESSION_CMD_2,
        MAIN_SERVICE_CMD,
        MAIN_FACTORY_CMD_1,
        MAIN_FACTORY_CMD_2,
        MAIN_SERIAL,
        MAIN_DEBU,
        MAIN_CADI,
        MAIN_LEFT_CORRECTION_COEFF,
        MAIN_RIGHT_CORRECTION_COEFF,
        MAIN_COM_PORT,
        MAIN_WARMUP_MODE,
        MAIN_SINGLE_SIDE,
        MAIN_POLAR_TURNS,
        MAIN_CALIBRATE_MASS,
    };
    if (panel != MAIN) return false;
    for (const int entry : dimmed)
        if (entry == control) return true;
    return false;
}

bool StartsHidden(int panel, int control) {
    // The polar view's controls show only with it.
    if (panel == MAIN && ((control >= MAIN_POLAR_RIGHT_PEAK && control <= MAIN_POLAR_TURNS) ||
                          (control >= MAIN_POLAR_RIGHT_BOTTOM && control <= MAIN_POLAR_GRAPH)))
        return true;
    return panel == MAIN && (control == MAIN_LINK_FRAMES || control == MAIN_LINK_SKIPPED ||
                             control == MAIN_LINK_CUT || control == MAIN_LINK_REJECTED ||
                             control == MAIN_REPLAY_POSITION);
}
