#include "ZelvoKit/ZelvoApi/StartUp.h"

#include "ZelvoKit/support/StartUp.h"

void ZVStartUpApi() {
    ZVStartUpSupport();
}
