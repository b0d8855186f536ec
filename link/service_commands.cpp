// Service commands to the crank: marker-only revolutions, debug mode and serial-number programming.
#include "app/callbacks.h"

int CADI(int, int, int, void*, int, int) { return 0; }
int DEBU(int, int, int, void*, int, int) { return 0; }
int SERIAL(int, int, int, void*, int, int) { return 0; }
