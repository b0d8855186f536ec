#include "protocol/identity.h"

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

void HearIdentity(IdentityAgreement& agreement, const CrankFrame& frame) {
    if (!IsIdentityFrame(frame)) {
        agreement.lastHeard = false;
        return;
    }
    const CrankIdentity identity = ReadIdentity(frame);
    if (agreement.lastHeard && identity.serial == agreement.last.serial &&
        identity.version == agreement.last.version) {
        agreement.agreed = identity;
        agreement.agreedHeard = true;
    }
    agreement.last = identity;
    agreement.lastHeard = true;
}
