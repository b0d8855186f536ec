// Callbacks whose work is not built yet: each reaches its control and does nothing.
#include "app/callbacks.h"

#define ZAN_PENDING(name)                                                                          \
    int name(int, int, int, void*, int, int) {                                                     \
        return 0;                                                                                  \
    }

ZAN_PENDING(ONLINE)
ZAN_PENDING(SRCH)
ZAN_PENDING(CADI)
ZAN_PENDING(DEBU)
ZAN_PENDING(SERIAL)
ZAN_PENDING(PWD)
ZAN_PENDING(OFT)
ZAN_PENDING(SAVE)
ZAN_PENDING(SAVET)
ZAN_PENDING(SAVE10)

// Link supervision and the session rows come later; their steps of the display tick do nothing.
#include "app/link_watchdog.h"
#include "record/session_file.h"

void WarnSerialMismatch() {}
void WatchLink() {}
void SaveDat() {}
