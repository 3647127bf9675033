#pragma once

#include <QtCore/QString>

namespace securitytest {

// A real Secret Service (GNOME Keyring, unlocked, with a keyring of its own in the test's folders)
// on a private session bus, started once per test program when first asked for and stopped when
// the program's tests end. This process talks to that bus from then on. Null, with the reason,
// when it cannot be started here (the programs are missing, or the daemon does not come up).
bool startSecretService(QString* reason);

// The private bus's address, for a child process; empty before startSecretService().
QString secretServiceBusAddress();

}  // namespace securitytest
