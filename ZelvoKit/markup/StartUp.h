#pragma once

// Starts the markup and every layer below it: the shared syntax learns to forget itself between
// tests. Calling it again is harmless.
void ZVStartUpMarkup();
