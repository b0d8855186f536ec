#pragma once
// The device link's callbacks: reconnection, and the service commands.

#include "platform/engine.h"

ZAN_CALLBACK(ONLINE);
ZAN_CALLBACK(CADI);
ZAN_CALLBACK(DEBU);
ZAN_CALLBACK(SERIAL);
