#include "tests/support/TestEnvironment.h"

// The platform core registers nothing at start-up.
void zvtest::startUpLibraries() {}
