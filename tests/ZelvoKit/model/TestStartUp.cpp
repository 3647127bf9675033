#include "tests/support/TestEnvironment.h"

#include "ZelvoKit/markup/StartUp.h"

void zvtest::startUpLibraries() {
    // Messages read and write their XML through the markup library's services.
    ZVStartUpMarkup();
}
