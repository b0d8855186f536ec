// Callbacks whose work is not built yet: each reaches its control and does nothing.
#include "app/callbacks.h"

#define ZAN_PENDING(name)                                                                          \
    int name(int, int, int, void*, int, int) {                                                     \
        return 0;                                                                                  \
    }

ZAN_PENDING(DISPLAY)
ZAN_PENDING(HOLD)
ZAN_PENDING(CLR)
ZAN_PENDING(RTEXT)
ZAN_PENDING(PRINT)
ZAN_PENDING(ONLINE)
ZAN_PENDING(SRCH)
ZAN_PENDING(CADI)
ZAN_PENDING(DEBU)
ZAN_PENDING(SERIAL)
ZAN_PENDING(ZERO)
ZAN_PENDING(RESET)
ZAN_PENDING(SKIP)
ZAN_PENDING(PWD)
ZAN_PENDING(OFT)
ZAN_PENDING(SAVE)
ZAN_PENDING(SAVET)
ZAN_PENDING(SAVE10)

