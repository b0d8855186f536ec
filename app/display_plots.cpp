#include "app/display.h"
#include "app/station.h"
#include "link/frame_reader.h"
#include "measure/display_filter.h"
#include "platform/engine.h"
#include "setup/catalogue.h"

namespace {
// One history point is one window, about two seconds: 1/30 of a minute.
constexpr double minutesPerHistoryPoint = 0.033333;

void Plot(const float* samples, int count, int color) {
    Station& zan = CurrentStation();
    PlotY(zan.mainPanel, MAIN_GRAPH, samples, count, color);
}

void Label(const char* xName, const char* yName) {
    Station& zan = CurrentStation();
    if (xName != nullptr) SetCtrlAttribute(zan.mainPanel, MAIN_GRAPH, ATTR_XNAME, xName);
    if (yName != nullptr) SetCtrlAttribute(zan.mainPanel, MAIN_GRAPH, ATTR_YNAME, yName);
}

void SetXGain(double gain) {
    Station& zan = CurrentStation();
    SetCtrlAttribute(zan.mainPanel, MAIN_GRAPH, ATTR_XAXIS_GAIN, gain);
}
} // namespace

void PlotLastWindow() {
    Station& zan = CurrentStation();
    const int windowFrames = TakeWindowToPlot();
    if (windowFrames <= 0) return;
    DeleteGraphPlot(zan.mainPanel, MAIN_GRAPH, -1, 1);
    GetCtrlVal(zan.mainPanel, MAIN_PLOT_MODE, &zan.plotMode);
    const int frames = windowFrames > maxWindowFrames ? maxWindowFrames : windowFrames;
    if (zan.plotMode == 0) {
        SetXGain(1.0);
        Filt(zan, 0, windowFrames, zan.setup.displayFilter);
        Label("2 Turns", "N");
        Plot(zan.displayTrace, frames, VAL_BLUE);
        Filt(zan, 1, windowFrames, zan.setup.displayFilter);
        Plot(zan.displayTrace, frames, VAL_RED);
    } else if (zan.plotMode == 1) {
        SetXGain(1.0);
        Filt(zan, 2, windowFrames, zan.setup.displayFilter);
        Label("2 Turns", "W");
        Plot(zan.displayTrace, frames, VAL_BLACK);
    } else if (zan.plotMode == 2) {
        Label("Time plot (min)", nullptr);
        SetXGain(minutesPerHistoryPoint);
        Plot(zan.powerHistory, zan.historyIndex, VAL_BLACK);
        Label(nullptr, "W");
        if (zan.plotHeartRate == 1) Plot(zan.heartRateHistory, zan.historyIndex, VAL_ORANGE);
        if (zan.plotCadence == 1) Plot(zan.cadenceHistory, zan.historyIndex, VAL_CYAN);
    }
}
