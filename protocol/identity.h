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
    bool anyHeard;       // an identity frame came, agreed or not
    int lastPeriod;      // the crank period of the measuring frame before
    int measuringFrames; // measuring frames heard as they came, before any screening
    int steadyFrames;    // those whose crank period agrees with the one before's
};

// A crank whose software is older than 1.0 answers ':' with no identity frame, only measuring
// frames with a steady crank period; it goes by serial number 0, as its search does ("000").
// Bytes at random never keep a period that steady, and a crank that sent any identity frame is
// no such crank.
bool HeardCrankWithoutIdentity(const IdentityAgreement& agreement);

// Takes the next frame into the agreement: any other frame than an identity frame breaks the row.
void HearIdentity(IdentityAgreement& agreement, const CrankFrame& frame);
// Takes a measuring frame as it came off the link, before anything mended it, into the count of
// steady crank periods.
void HearMeasuringFrame(IdentityAgreement& agreement, const CrankFrame& frame);
