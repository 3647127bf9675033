#pragma once

#include "platform/security/KeychainBackend.h"
#include "platform/security/KeychainItem.h"

#include <QtCore/QString>

#include <functional>
#include <memory>
#include <mutex>

namespace platform {

struct KeychainCopyResult {
    KeychainStatus status = KeychainStatus::ItemNotFound;
    // The first matching item when status is Success.
    KeychainItem item;
};

// Generic-password items, with the platform's operations and status codes. Safe from any thread
// as long as the backend is used by this keychain alone.
class Keychain {
public:
    explicit Keychain(std::shared_ptr<KeychainBackend> backend);

    // The application's keychain: the backend given to setSharedBackend(), else one made by the
    // factory chosen at start-up (startUpSecurity()), else a FileKeychainBackend in
    // Paths::privateDataDirectory(). Forgotten by resetSharedState(); the factory is not.
    static Keychain& shared();
    // Replaces the shared keychain's backend until the next resetSharedState().
    static void setSharedBackend(std::shared_ptr<KeychainBackend> backend);
    // Makes every shared keychain from now on with `factory`; none restores the file.
    static void setSharedBackendFactory(std::function<std::shared_ptr<KeychainBackend>()> factory);
    // The file that the shared keychain uses without a factory; empty when there is no place.
    static QString sharedFilePath();

    // DuplicateItem when an item with the same key exists.
    KeychainStatus addItem(const KeychainItem& item);
    KeychainCopyResult copyMatching(const KeychainQuery& query);
    // Sets the data of every matching item.
    KeychainStatus updateItems(const KeychainQuery& query, const QByteArray& data);
    KeychainStatus deleteItems(const KeychainQuery& query);

private:
    std::mutex mutex_;
    std::shared_ptr<KeychainBackend> backend_;
};

}  // namespace platform
