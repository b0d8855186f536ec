#include "app/command_refusal.h"

#include "platform/engine.h"
#include "setup/catalogue.h"

void TellCommandNotSent(Station& zan) {
    const char* message = "Replay: commands to the crank are not sent; the ride plays as recorded.";
    InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message);
    MessagePopup("Replay", message);
}

bool CrankCommandRefused(Station& zan) {
    if (CrankPortOf(zan).Writable()) return false;
    TellCommandNotSent(zan);
    return true;
}
