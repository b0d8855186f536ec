// The small commands that act on the display itself.
#include "app/callbacks.h"
#include "app/station.h"
#include "measure/power.h"
#include "platform/bounded_text.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/panel.h"
#include "platform/paths.h"
#include "setup/catalogue.h"

int HOLD(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    AppState& app = zan.app;
    app.holdDisplay ^= 1;
    if (app.holdDisplay == 1) {
        SetCtrlAttribute(zan.setup.mainPanel, MAIN_HOLD, ATTR_LABEL_TEXT, "Run");
        SetCtrlAttribute(zan.setup.mainPanel, MAIN_HOLD, ATTR_IMAGE_FILE, "start.ico");
    } else {
        SetCtrlAttribute(zan.setup.mainPanel, MAIN_HOLD, ATTR_LABEL_TEXT, "Hold");
        SetCtrlAttribute(zan.setup.mainPanel, MAIN_HOLD, ATTR_IMAGE_FILE, "pausa.ico");
    }
    return 0;
}

int CLR(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    Station& zan = EngineStation();
    RestartHistories(zan.measure);
    DeleteGraphPlot(zan.setup.mainPanel, MAIN_GRAPH, -1, 1);
    return 0;
}

int RTEXT(int, int, int event, void*, int, int) {
    if (event != EVENT_LEFT_DOUBLE_CLICK) return 0;
    const Station& zan = EngineStation();
    ResetTextBox(zan.setup.mainPanel, MAIN_MESSAGES, "");
    return 0;
}

int PRINT(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    const Station& zan = EngineStation();
    // Without the PDF printer the panel is written as a PDF file into the data folder, so the
    // rider never needs a printer driver.
    double now = 0.0;
    GetCurrentDateTime(&now);
    int hour = 0, minute = 0, second = 0, month = 0, day = 0, year = 0;
    GetDateTimeElements(now, &hour, &minute, &second, &month, &day, &year);
    char folder[512] = "";
    GetDir(folder, sizeof folder);
    char pdfPath[700];
    FormatText(pdfPath, sizeof pdfPath, "%s%cdati%cP_%02d%02d%02d_%02d-%02d-%02d.pdf", folder,
               pathSeparator, pathSeparator, day, month, year % 100, hour, minute, second);
    MakeDir("dati");
    const int printed = PrintPanel(zan.setup.mainPanel, "CutePDF Writer", pdfPath);
    char message[800];
    if (printed == 1)
        FormatText(message, sizeof message, "Panel printed on CutePDF Writer");
    else if (printed == 2)
        FormatText(message, sizeof message, "Panel saved as PDF: %s", pdfPath);
    else
        FormatText(message, sizeof message, "Panel could not be printed nor saved as %s", pdfPath);
    InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message);
    return 0;
}

int REVIEW(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    const Station& zan = EngineStation();
    // Sessions and their raw streams are kept in the data folder: the popup starts there.
    char path[512] = "";
    if (FileSelectPopup("dati", "*.csv *.zanraw", "Review a ride", path, sizeof path) <= 0)
        return 0;
    // The review is a window of its own: the timers keep their pace while it is open.
    char reason[700] = "";
    if (OpenReviewWindow(path, reason, sizeof reason) < 0) TellRideNotOpened(zan, reason);
    return 0;
}

void TellRideNotOpened(const Station& zan, const char* reason) {
    char message[800];
    FormatText(message, sizeof message, "Ride not opened: %s", reason);
    InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message);
}
