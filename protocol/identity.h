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

// What the identity frames heard so far agree on. A corrupted byte changes one frame, never the
// next the same way: an identity counts once two identity frames in a row carry it.
struct IdentityAgreement {
    CrankIdentity last; // the frame before, when it was an identity frame
    bool lastHeard;
    CrankIdentity agreed; // the latest identity two frames in a row carried
    bool agreedHeard;
};

// Takes the next frame into the agreement: any other frame than an identity frame breaks the row.
void HearIdentity(IdentityAgreement& agreement, const CrankFrame& frame);
