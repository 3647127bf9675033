#include "ZelvoKit/support/StartUp.h"

#include "ZelvoKit/support/text/ZVLocalization.h"

void ZVStartUpSupport() {
    ZVLocalization::load();
}
