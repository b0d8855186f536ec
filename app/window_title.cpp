#include "app/window_title.h"

#include "app/station.h"
#include "platform/engine.h"

#include "platform/bounded_text.h"

// Titles are at most 255 characters: a long setup path is cut there, and whatever it holds ("%",
// quotes) is shown as it is, never taken as a format.
namespace {
constexpr int titleSize = 256;
}

void ShowStartupTitle() {
    Station& zan = CurrentStation();
    char title[titleSize];
    FormatText(title, sizeof title,
               "Orvelta (ZAN_pc Ver -> %s) (Setup file -> %s) (Waiting connection ->)",
               programVersion, zan.setupPath);
    SetPanelAttribute(zan.mainPanel, ATTR_TITLE, title);
}

void ShowConnectedTitle(const char* mark) {
    Station& zan = CurrentStation();
    char title[titleSize];
    if (mark == nullptr)
        FormatText(title, sizeof title,
                   "Orvelta (ZAN_pc Ver -> %s) (Setup file -> %s) ( Connected to ZAN -> "
                   "SW_%02d  SN_%03d )",
                   programVersion, zan.setupPath, zan.deviceVersion, zan.deviceSerial);
    else
        FormatText(title, sizeof title,
                   "Orvelta (ZAN_pc Ver -> %s) (Setup file -> %s) ( Connected to ZAN -> "
                   "SW_%02d  SN_%03d ) %s ",
                   programVersion, zan.setupPath, zan.deviceVersion, zan.deviceSerial, mark);
    SetPanelAttribute(zan.mainPanel, ATTR_TITLE, title);
}
