// Access levels and the single-side panel modes.
#include "app/callbacks.h"

int PWD(int, int, int, void*, int, int) { return 0; }
int OFT(int, int, int, void*, int, int) { return 0; }
