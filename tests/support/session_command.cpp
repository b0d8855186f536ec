#include "tests/support/session_command.h"

#include "app/session_panel.h"

int SAVE(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) ToggleSession(EngineStation());
    return 0;
}
