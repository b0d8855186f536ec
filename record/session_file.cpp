#include "record/session_file.h"

#include "app/callbacks.h"

void SaveDat() {}
int SAVE(int, int, int, void*, int, int) { return 0; }
