#include "app/replay_refusal.h"

#include "platform/engine.h"
#include "setup/catalogue.h"

bool RefusedInReplay(Station& zan) {
    if (!zan.app.replaying) return false;
    const char* message = "Replay: commands to the crank are not sent; the ride plays as recorded.";
    InsertTextBoxLine(zan.setup.mainPanel, MAIN_MESSAGES, -1, message);
    MessagePopup("Replay", message);
    return true;
}
