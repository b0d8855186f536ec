#pragma once
// The session button's own work, without the ride files written at its close: what tests of the
// recording press.

#include "platform/panel.h"

ZAN_CALLBACK(SAVE);
