#include "setup/window_title.h"

#include "link/link_state.h"
#include "platform/bounded_text.h"
#include "platform/engine.h"
#include "platform/program_part.h"
#include "setup/setup_state.h"

// Titles are at most 255 characters: a long setup path is cut there, and whatever it holds ("%",
// quotes) is shown as it is, never taken as a format.
namespace {
constexpr int titleSize = 256;
}

void ShowStartupTitle() {
    const SetupState& setup = ViewOf<SetupState>();
    char title[titleSize];
    FormatText(title, sizeof title,
               "Orvelta (ZAN_pc Ver -> %s) (Setup file -> %s) (Waiting connection ->)",
               programVersion, setup.setupPath);
    SetPanelAttribute(setup.mainPanel, ATTR_TITLE, title);
}

void ShowConnectedTitle(const char* mark) {
    const SetupState& setup = ViewOf<SetupState>();
    const LinkState& link = ViewOf<LinkState>();
    char title[titleSize];
    if (mark == nullptr)
        FormatText(title, sizeof title,
                   "Orvelta (ZAN_pc Ver -> %s) (Setup file -> %s) ( Connected to ZAN -> "
                   "SW_%02d  SN_%03d )",
                   programVersion, setup.setupPath, link.deviceVersion, link.deviceSerial);
    else
        FormatText(title, sizeof title,
                   "Orvelta (ZAN_pc Ver -> %s) (Setup file -> %s) ( Connected to ZAN -> "
                   "SW_%02d  SN_%03d ) %s ",
                   programVersion, setup.setupPath, link.deviceVersion, link.deviceSerial, mark);
    SetPanelAttribute(setup.mainPanel, ATTR_TITLE, title);
}
