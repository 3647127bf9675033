#pragma once

#include <QtCore/QString>

namespace platform {

enum class KeychainKind { Desktop, File };

// Chooses where the shared keychain keeps credentials for the rest of the process, and logs it:
// the desktop's keychain when one answers, else the owner-only file. $ZELVO_KEYCHAIN set to
// "file" or "desktop" skips the question (the tests keep to the file, so that none touches a
// developer's real keychain). Credentials that an earlier start left in the file move into the
// desktop's keychain the first time it is chosen, so that no account is signed out by the move.
KeychainKind selectSharedKeychain();

}  // namespace platform
