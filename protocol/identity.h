#pragma once
// Identity frames: after a ':' the crank answers with frames whose channel words carry 2 x the
// ASCII code of a digit each: the hundreds, tens and units of its serial number in the right
// force, right auxiliary and left force words, its software version in the left auxiliary word.

#include "protocol/frame.h"

struct CrankIdentity {
    int serial;
    int version;
};

void SetIdentityWords(CrankFrame& frame, int serial, int version);
// The identity an identity frame carries. A version outside 0..9 or a serial number outside
// 0..999 is no identity the crank can have, and reads as 0.
CrankIdentity ReadIdentity(const CrankFrame& frame);
// True when all four channel words are twice the code of a digit, as only identity frames carry
// them: no sound force channel reads below 150 counts.
bool IsIdentityFrame(const CrankFrame& frame);
