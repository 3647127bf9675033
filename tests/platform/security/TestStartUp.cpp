#include "tests/support/TestEnvironment.h"

#include "platform/security/StartUp.h"

void zvtest::startUpLibraries() {
    platform::startUpSecurity();
}
