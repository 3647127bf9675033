#include "Analytics/Library/StartUp.h"
#include "tests/support/TestEnvironment.h"

void zvtest::startUpLibraries() {
    ZAStartUp();
}
