#include "tests/support/TestEnvironment.h"

#include "ZelvoKit/ZelvoApi/StartUp.h"

void zvtest::startUpLibraries() {
    ZVStartUpApi();
}
