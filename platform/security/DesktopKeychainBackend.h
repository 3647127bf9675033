#pragma once

#include "platform/security/KeychainBackend.h"

#include <QtCore/QString>

#include <chrono>

namespace platform {

// Items in the desktop's keychain (the Secret Service of GNOME Keyring or KWallet, through
// QtKeychain): the whole list as one secret, encoded as the keychain file is, so that a change of
// several items is one write and the keychain's own rules (duplicates, queries that match many
// items) stay those of every backend.
//
// The desktop keychain answers asynchronously; the keychain's callers expect an answer. Each
// call runs its job on one worker thread shared by all instances and waits for it, so the
// caller's event loop never runs inside a keychain call (no timer or reply can reach back into
// a keychain that is in the middle of a change). A job that does not finish in `timeout` (a
// keyring waiting for its unlock prompt) counts as failed: nothing is read or overwritten.
class DesktopKeychainBackend : public KeychainBackend {
public:
    static constexpr std::chrono::seconds kDefaultTimeout{30};

    // `service` and `key` name the secret; the application's name and "credentials" by default.
    explicit DesktopKeychainBackend(QString service = QString(),
                                    QString key = QStringLiteral("credentials"),
                                    std::chrono::milliseconds timeout = kDefaultTimeout);

    std::optional<std::vector<KeychainItem>> load() override;
    bool store(const std::vector<KeychainItem>& items) override;
    // Removes the secret itself (for tests and for leaving no trace of an account-less install).
    bool erase();

    // Whether a desktop keychain answers now: reading the secret succeeds or finds none. When it
    // does not, `reason` says why.
    bool isAvailable(QString* reason = nullptr);

    const QString& service() const { return service_; }
    const QString& key() const { return key_; }

private:
    QString service_;
    QString key_;
    std::chrono::milliseconds timeout_;
};

}  // namespace platform
