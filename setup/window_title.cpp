#include "setup/window_title.h"

#include "platform/bounded_text.h"

// A long setup path is cut at the title's end, and whatever it holds ("%", quotes) is shown as it
// is, never taken as a format.
void StartupTitle(const SetupState& setup, char* title, std::size_t size) {
    FormatText(title, size, "Orvelta (ZAN_pc Ver -> %s) (Setup file -> %s) (Waiting connection ->)",
               programVersion, setup.setupPath);
}

void ConnectedTitle(const SetupState& setup, const LinkState& link, const char* mark, char* title,
                    std::size_t size) {
    if (mark == nullptr)
        FormatText(title, size,
                   "Orvelta (ZAN_pc Ver -> %s) (Setup file -> %s) ( Connected to ZAN -> "
                   "SW_%02d  SN_%03d )",
                   programVersion, setup.setupPath, link.deviceVersion, link.deviceSerial);
    else
        FormatText(title, size,
                   "Orvelta (ZAN_pc Ver -> %s) (Setup file -> %s) ( Connected to ZAN -> "
                   "SW_%02d  SN_%03d ) %s ",
                   programVersion, setup.setupPath, link.deviceVersion, link.deviceSerial, mark);
}

void LinkLostTitle(const SetupState& setup, const LinkState& link, char* title, std::size_t size) {
    FormatText(title, size,
               "Orvelta (ZAN_pc Ver -> %s) (Setup file -> %s) ( Link lost -> SW_%02d  SN_%03d )",
               programVersion, setup.setupPath, link.deviceVersion, link.deviceSerial);
}
