#include "protocol/identity.h"

#include <cstdlib>
#include <initializer_list>

namespace {
constexpr int digitZero = '0';

int Digit(int word) {
    return word / 2 - digitZero;
}
} // namespace

void SetIdentityWords(CrankFrame& frame, int serial, int version) {
    frame.rightForce = 2 * (digitZero + serial / 100 % 10);
    frame.rightAux = 2 * (digitZero + serial / 10 % 10);
    frame.leftForce = 2 * (digitZero + serial % 10);
    frame.leftAux = 2 * (digitZero + version % 10);
}

CrankIdentity ReadIdentity(const CrankFrame& frame) {
    CrankIdentity identity{100 * Digit(frame.rightForce) + 10 * Digit(frame.rightAux) +
                               Digit(frame.leftForce),
                           Digit(frame.leftAux)};
    if (identity.version < 0 || identity.version > 9) identity.version = 0;
    if (identity.serial < 0 || identity.serial > 999) identity.serial = 0;
    return identity;
}

bool IsIdentityFrame(const CrankFrame& frame) {
    for (const int word : {frame.rightForce, frame.rightAux, frame.leftForce, frame.leftAux})
        if (word % 2 != 0 || Digit(word) < 0 || Digit(word) > 9) return false;
    return true;
}

namespace {
// Measuring frames that tell a crank without identity frames from noise: at least this many, and
// three in four with the crank period of the one before within an eighth. Bytes at random agree
// so in about one pair in eight.
constexpr int measuringFramesWithoutIdentity = 10;

bool PeriodsAgree(int before, int now) {
    return now == before || (before > 0 && 8 * std::abs(now - before) <= before);
}
} // namespace

void HearIdentity(IdentityAgreement& agreement, const CrankFrame& frame) {
    if (!IsIdentityFrame(frame)) {
        agreement.lastHeard = false;
        return;
    }
    agreement.anyHeard = true;
    const CrankIdentity identity = ReadIdentity(frame);
    if (agreement.lastHeard && identity.serial == agreement.last.serial &&
        identity.version == agreement.last.version) {
        agreement.agreed = identity;
        agreement.agreedHeard = true;
    }
    agreement.last = identity;
    agreement.lastHeard = true;
}

void HearMeasuringFrame(IdentityAgreement& agreement, const CrankFrame& frame) {
    const int period = frame.crankWord & crankPeriodMask;
    agreement.measuringFrames += 1;
    if (PeriodsAgree(agreement.lastPeriod, period)) agreement.steadyFrames += 1;
    agreement.lastPeriod = period;
}

bool HeardCrankWithoutIdentity(const IdentityAgreement& agreement) {
    return !agreement.anyHeard && agreement.measuringFrames >= measuringFramesWithoutIdentity &&
           4 * agreement.steadyFrames >= 3 * agreement.measuringFrames;
}
