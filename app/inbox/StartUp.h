#pragma once

// Installs the inbox's screens in the application's services: the inbox screen and the account
// switcher.
void ZVStartUpInbox();
