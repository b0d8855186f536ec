#include "app/link_watchdog.h"

void WarnSerialMismatch() {}
void WatchLink() {}
