#pragma once

// Registers the shared services' hooks: the user texts of errors. The executable and each test
// program call it once at start; calling it again is harmless.
void ZVStartUpSupport();
