#pragma once
// The frame reader: drains the crank link's input queue, cuts it into 18-byte frames and hands
// every frame on to revolution tracking and the power calculation.

void ReadZAN();
