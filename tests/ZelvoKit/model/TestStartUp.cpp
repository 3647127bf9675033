#include "tests/support/TestEnvironment.h"

#include "ZelvoKit/model/StartUp.h"

void zvtest::startUpLibraries() {
    ZVStartUpModel();
}
