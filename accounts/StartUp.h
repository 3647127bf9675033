#pragma once

// Installs the sign-in screens where the application shell asks for them: the signed-out root,
// the further account, the username claim, and whether a sign-up is running. Calling it again is
// harmless.
void ZVStartUpAccounts();
