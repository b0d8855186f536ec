#include "app/window_title.h"

#include "app/station.h"
#include "platform/engine.h"

#include "platform/bounded_text.h"

// Titles are formatted into the shared 256-character text; a long setup path is cut there, and
// whatever it holds ("%", quotes) is shown as it is, never taken as a format.
void ShowStartupTitle() {
    FormatText(zan.textBuffer, sizeof zan.textBuffer,
               "Orvelta (ZAN_pc Ver -> %s) (Setup file -> %s) (Waiting connection ->)",
               programVersion, zan.setupPath);
    SetPanelAttribute(zan.mainPanel, ATTR_TITLE, zan.textBuffer);
}

void ShowConnectedTitle(const char* mark) {
    if (mark == nullptr)
        FormatText(zan.textBuffer, sizeof zan.textBuffer,
                   "Orvelta (ZAN_pc Ver -> %s) (Setup file -> %s) ( Connected to ZAN -> "
                   "SW_%02d  SN_%03d )",
                   programVersion, zan.setupPath, zan.deviceVersion, zan.deviceSerial);
    else
        FormatText(zan.textBuffer, sizeof zan.textBuffer,
                   "Orvelta (ZAN_pc Ver -> %s) (Setup file -> %s) ( Connected to ZAN -> "
                   "SW_%02d  SN_%03d ) %s ",
                   programVersion, zan.setupPath, zan.deviceVersion, zan.deviceSerial, mark);
    SetPanelAttribute(zan.mainPanel, ATTR_TITLE, zan.textBuffer);
}
