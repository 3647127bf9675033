#pragma once

#include <functional>

namespace platform {

// Process-wide objects (the shared defaults, the keychain, the API client...) register here how to
// forget their state, so that each test starts from a clean process without knowing them all.
void onResetSharedState(std::function<void()> reset);
// Runs every registered reset, newest first.
void resetSharedState();

}  // namespace platform
