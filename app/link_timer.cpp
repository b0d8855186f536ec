#include "app/callbacks.h"
#include "app/frame_path.h"
#include "platform/engine.h"

// The link timer drains the crank's input. Pending events run first, so a display tick or a
// button may run inside this tick; the 2 ms yield leaves the rest of the machine its share.
int TIMER(int, int, int event, void*, int, int) {
    if (event != EVENT_TIMER_TICK) return 0;
    ProcessSystemEvents();
    Sleep(2);
    Station& zan = EngineStation();
    ReadZAN(zan);
    return 0;
}
