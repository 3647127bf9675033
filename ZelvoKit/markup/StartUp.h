#pragma once

// Starts the markup and every layer below it: the shared syntax learns to forget itself between
// tests, and the model gets the encoder and the stripper it reads and writes message XML with.
// Calling it again is harmless.
void ZVStartUpMarkup();
