#pragma once

namespace platform {

// Starts the keychain: chooses once where credentials live (the desktop's keychain or the
// owner-only file, see selectSharedKeychain()) and logs the choice. Calling it again is harmless.
void startUpSecurity();

}  // namespace platform
