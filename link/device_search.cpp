// The device search and the two link commands around it.
#include "link/device_search.h"

#include "app/callbacks.h"

void SearchZAN(int) {}
int ONLINE(int, int, int, void*, int, int) { return 0; }
int SRCH(int, int, int, void*, int, int) { return 0; }
