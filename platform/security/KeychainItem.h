#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <cstdint>
#include <optional>

namespace platform {

// Results of the keychain operations, with the platform's numbers.
enum class KeychainStatus : std::int32_t {
    Success = 0,
    // The store could not be read or written; nothing was changed.
    IOError = -36,
    DuplicateItem = -25299,
    ItemNotFound = -25300,
};

enum class KeychainItemClass { GenericPassword };

// When the item may be read. Kept with the item; this desktop keychain has no lock to enforce it.
enum class KeychainAccessibility {
    WhenUnlocked,
    AfterFirstUnlock,
    Always,
    WhenPasscodeSetThisDeviceOnly,
    WhenUnlockedThisDeviceOnly,
    AfterFirstUnlockThisDeviceOnly,
    AlwaysThisDeviceOnly,
};

// One generic-password item. Its key is (class, account, service, access group); a null or empty
// service or access group means "not set", the latter standing for the application's own group.
struct KeychainItem {
    KeychainItemClass itemClass = KeychainItemClass::GenericPassword;
    QString account;
    QString service;
    QString accessGroup;
    KeychainAccessibility accessibility = KeychainAccessibility::WhenUnlocked;
    QByteArray data;

    // Whether both stand for the same item: equal class, account, service and access group.
    bool hasSameKey(const KeychainItem& other) const;
};

// Selects items: every attribute that is given must be equal, the others match anything.
struct KeychainQuery {
    KeychainItemClass itemClass = KeychainItemClass::GenericPassword;
    std::optional<QString> account;
    std::optional<QString> service;
    std::optional<QString> accessGroup;

    bool matches(const KeychainItem& item) const;
};

}  // namespace platform
