#include "setup/zero_reset.h"

void TakeOffsetsFromCrank(SetupState& setup, const LinkState& link) {
    // A pedal the crank does not measure has no counts to zero: its offsets stay as they are, for
    // the day both pedals are measured again.
    if (setup.singleSide != SingleSide::LeftOnly) {
        setup.setup.rightForceOffset = static_cast<float>(link.rawRightForce);
        setup.setup.rightAuxOffset = static_cast<float>(link.rawRightAux);
    }
    if (setup.singleSide != SingleSide::RightOnly) {
        setup.setup.leftForceOffset = static_cast<float>(link.rawLeftForce);
        setup.setup.leftAuxOffset = static_cast<float>(link.rawLeftAux);
    }
}
