#include "ZelvoKit/support/StartUp.h"

#include "Analytics/Library/StartUp.h"
#include "ZelvoKit/support/text/ZVLocalization.h"

void ZVStartUpSupport() {
    ZAStartUp();
    ZVLocalization::load();
}
