#include "tests/support/TestEnvironment.h"

#include "ZelvoKit/markup/StartUp.h"

void zvtest::startUpLibraries() {
    ZVStartUpMarkup();
}
