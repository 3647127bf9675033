#include "tests/support/TestEnvironment.h"

#include "ZelvoKit/support/StartUp.h"

void zvtest::startUpLibraries() {
    ZVStartUpSupport();
}
