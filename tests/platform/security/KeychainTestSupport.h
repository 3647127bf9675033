#pragma once

#include "platform/security/Keychain.h"

#include <QtCore/QString>

namespace keychaintest {

inline const QString kAlice = QStringLiteral("alice@example.com");
inline const QString kBob = QStringLiteral("bob@example.com");

inline platform::KeychainQuery byAccount(const QString& account) {
    platform::KeychainQuery query;
    query.account = account;
    return query;
}

}  // namespace keychaintest
