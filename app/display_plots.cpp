#include "app/display.h"
#include "app/station.h"
#include "link/frame_reader.h"
#include "measure/display_filter.h"
#include "platform/panel.h"
#include "setup/catalogue.h"

namespace {
void Plot(const Station& zan, const float* samples, int count, int color) {
    PlotY(zan.setup.mainPanel, MAIN_GRAPH, samples, count, color);
}

// A history against the minutes its windows ended at.
void PlotHistory(const Station& zan, const float* samples, int color) {
    PlotXY(zan.setup.mainPanel, MAIN_GRAPH, zan.measure.historyMinutes, samples,
           zan.measure.historyIndex, color);
}

void Label(const Station& zan, const char* xName, const char* yName) {
    if (xName != nullptr) SetCtrlAttribute(zan.setup.mainPanel, MAIN_GRAPH, ATTR_XNAME, xName);
    if (yName != nullptr) SetCtrlAttribute(zan.setup.mainPanel, MAIN_GRAPH, ATTR_YNAME, yName);
}

// One trace of the last window, ready to plot.
const float* FilteredTrace(Station& zan, int selector, int windowFrames) {
    Filt(zan.measure, selector, windowFrames, zan.setup.setup.displayFilter);
    return zan.measure.displayTrace;
}

void SetXGain(const Station& zan, double gain) {
    SetCtrlAttribute(zan.setup.mainPanel, MAIN_GRAPH, ATTR_XAXIS_GAIN, gain);
}
} // namespace

void PlotLastWindow(Station& zan) {
    AppState& app = zan.app;
    const int windowFrames = TakeWindowToPlot(zan.link);
    if (windowFrames <= 0) return;
    DeleteGraphPlot(zan.setup.mainPanel, MAIN_GRAPH, -1, 1);
    GetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_MODE, &app.plotMode);
    const int frames = windowFrames > maxWindowFrames ? maxWindowFrames : windowFrames;
    ShowPolarControls(zan, app.plotMode == polarPlotMode ? 1 : 0);
    if (app.plotMode == polarPlotMode) {
        PlotPolarView(zan);
        ShowPolarFigures(zan);
    } else if (app.plotMode == 0) {
        SetXGain(zan, 1.0);
        Label(zan, "2 Turns", "N");
        Plot(zan, FilteredTrace(zan, 0, windowFrames), frames, VAL_BLUE);
        Plot(zan, FilteredTrace(zan, 1, windowFrames), frames, VAL_RED);
    } else if (app.plotMode == 1) {
        SetXGain(zan, 1.0);
        Label(zan, "2 Turns", "W");
        Plot(zan, FilteredTrace(zan, 2, windowFrames), frames, VAL_BLACK);
    } else if (app.plotMode == 2) {
        Label(zan, "Time plot (min)", nullptr);
        PlotHistory(zan, zan.measure.powerHistory, VAL_BLACK);
        Label(zan, nullptr, "W");
        // The switches as the rider left them: a click shows at the next plot, not only after
        // the port settings are saved.
        int heartRate = 0;
        int cadence = 0;
        GetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_HR, &heartRate);
        GetCtrlVal(zan.setup.mainPanel, MAIN_PLOT_CADENCE, &cadence);
        if (heartRate == 1) PlotHistory(zan, zan.measure.heartRateHistory, VAL_ORANGE);
        if (cadence == 1) PlotHistory(zan, zan.measure.cadenceHistory, VAL_CYAN);
    }
}
