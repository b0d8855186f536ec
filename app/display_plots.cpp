#include "app/display.h"
#include "app/station.h"
#include "link/frame_reader.h"
#include "measure/display_filter.h"
#include "platform/engine.h"
#include "platform/program_part.h"
#include "setup/catalogue.h"

namespace {
void Plot(const float* samples, int count, int color) {
    const Station& zan = StationView();
    PlotY(zan.mainPanel, MAIN_GRAPH, samples, count, color);
}

// A history against the minutes its windows ended at.
void PlotHistory(const float* samples, int color) {
    const Station& zan = StationView();
    PlotXY(zan.mainPanel, MAIN_GRAPH, zan.historyMinutes, samples, zan.historyIndex, color);
}

void Label(const char* xName, const char* yName) {
    const Station& zan = StationView();
    if (xName != nullptr) SetCtrlAttribute(zan.mainPanel, MAIN_GRAPH, ATTR_XNAME, xName);
    if (yName != nullptr) SetCtrlAttribute(zan.mainPanel, MAIN_GRAPH, ATTR_YNAME, yName);
}

void SetXGain(double gain) {
    const Station& zan = StationView();
    SetCtrlAttribute(zan.mainPanel, MAIN_GRAPH, ATTR_XAXIS_GAIN, gain);
}
} // namespace

void PlotLastWindow() {
    AppState& app = PartOf<AppState>();
    const Station& zan = StationView();
    const int windowFrames = TakeWindowToPlot();
    if (windowFrames <= 0) return;
    DeleteGraphPlot(zan.mainPanel, MAIN_GRAPH, -1, 1);
    GetCtrlVal(zan.mainPanel, MAIN_PLOT_MODE, &app.plotMode);
    const int frames = windowFrames > maxWindowFrames ? maxWindowFrames : windowFrames;
    if (app.plotMode == 0) {
        SetXGain(1.0);
        Label("2 Turns", "N");
        Plot(Filt(0, windowFrames, zan.setup.displayFilter), frames, VAL_BLUE);
        Plot(Filt(1, windowFrames, zan.setup.displayFilter), frames, VAL_RED);
    } else if (app.plotMode == 1) {
        SetXGain(1.0);
        Label("2 Turns", "W");
        Plot(Filt(2, windowFrames, zan.setup.displayFilter), frames, VAL_BLACK);
    } else if (app.plotMode == 2) {
        Label("Time plot (min)", nullptr);
        PlotHistory(zan.powerHistory, VAL_BLACK);
        Label(nullptr, "W");
        // The switches as the rider left them: a click shows at the next plot, not only after
        // the port settings are saved.
        int heartRate = 0;
        int cadence = 0;
        GetCtrlVal(zan.mainPanel, MAIN_PLOT_HR, &heartRate);
        GetCtrlVal(zan.mainPanel, MAIN_PLOT_CADENCE, &cadence);
        if (heartRate == 1) PlotHistory(zan.heartRateHistory, VAL_ORANGE);
        if (cadence == 1) PlotHistory(zan.cadenceHistory, VAL_CYAN);
    }
}
