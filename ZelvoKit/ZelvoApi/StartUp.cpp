#include "ZelvoKit/ZelvoApi/StartUp.h"

#include "ZelvoKit/support/StartUp.h"
#include "platform/security/StartUp.h"

void ZVStartUpApi() {
    platform::startUpSecurity();
    ZVStartUpSupport();
}
