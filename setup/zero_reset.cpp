#include "setup/zero_reset.h"

void TakeOffsetsFromCrank(SetupState& setup, const LinkState& link) {
    setup.setup.rightForceOffset = static_cast<float>(link.rawRightForce);
    setup.setup.rightAuxOffset = static_cast<float>(link.rawRightAux);
    setup.setup.leftForceOffset = static_cast<float>(link.rawLeftForce);
    setup.setup.leftAuxOffset = static_cast<float>(link.rawLeftAux);
}
