#pragma once
// The recording's callbacks: the session, the single-turn file and the 1000-frame capture.

#include "platform/engine.h"

ZAN_CALLBACK(SAVE);
ZAN_CALLBACK(SAVET);
ZAN_CALLBACK(SAVE10);
