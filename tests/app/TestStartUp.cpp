#include "tests/support/TestEnvironment.h"

#include "app/StartUp.h"

void zvtest::startUpLibraries() {
    ZVStartUpApp();
}
