#pragma once
// The setup's callbacks: loading and saving the setup and port files, zeroing and the warm-up,
// and the access code.

#include "platform/engine.h"

ZAN_CALLBACK(LOAD);
ZAN_CALLBACK(SAVS);
ZAN_CALLBACK(DEF);
ZAN_CALLBACK(DEFM);
ZAN_CALLBACK(DEFX);
ZAN_CALLBACK(ZERO);
ZAN_CALLBACK(RESET);
ZAN_CALLBACK(SKIP);
ZAN_CALLBACK(PWD);
ZAN_CALLBACK(OFT);
