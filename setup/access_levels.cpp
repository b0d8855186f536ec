#include "setup/access_levels.h"

void GiveAccessDefaults(SetupState& setup) {
    setup.accessCode = 0;
    setup.singleSide = SingleSide::Both;
}
