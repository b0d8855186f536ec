#include "app/callbacks.h"

int SAVET(int, int, int, void*, int, int) { return 0; }
