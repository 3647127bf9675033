#pragma once

#include "platform/security/KeychainItem.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <vector>

namespace platform {

// The keychain's items as one JSON document, as every backend that keeps the whole list in one
// place stores them: {"version": 1, "items": [{"class", "account", "service", "accessGroup",
// "accessibility", "data" (base64)}]}.
QByteArray encodeKeychainItems(const std::vector<KeychainItem>& items);

// Bytes that are not such a document count as no items (logged, naming `source`); an item that
// cannot be read is skipped (logged) and the others kept. Never logs an item's data.
std::vector<KeychainItem> decodeKeychainItems(const QByteArray& bytes, const QString& source);

}  // namespace platform
