#pragma once

#include "tests/emulator/EmulatorTypes.h"

#include <QtCore/QJsonObject>

namespace zvemu {

class ServiceEmulator;

// The account's contact record, as the stream and the contact calls carry it.
QJsonObject contactRecord(const Account& account);
// A sign-in answer for the account: a fresh ticket, the account's profile and the dated
// "token_id" cookie.
Reply signInAnswer(ServiceEmulator& emulator, const Account& account);
// Sign-out, sign-up, password reset, push tokens, client flags, usernames and the contact calls.
void installAccountLifecycleRoutes(ServiceEmulator& emulator);
// "markup/get_syntax": the markup definition, the same file the application carries.
void installMarkupRoutes(ServiceEmulator& emulator);

}  // namespace zvemu
