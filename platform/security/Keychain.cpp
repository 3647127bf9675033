#include "platform/security/Keychain.h"

#include "platform/foundation/Paths.h"
#include "platform/foundation/SharedState.h"
#include "platform/security/FileKeychainBackend.h"

#include <algorithm>

namespace platform {

namespace {

const char* const kKeychainFileName = "/keychain.json";

// Null and empty both mean "not set".
bool sameAttribute(const QString& a, const QString& b) {
    return a.isEmpty() ? b.isEmpty() : a == b;
}

bool sameKey(const KeychainItem& a, const KeychainItem& b) {
    return a.itemClass == b.itemClass && a.account == b.account &&
           sameAttribute(a.service, b.service) && sameAttribute(a.accessGroup, b.accessGroup);
}

struct SharedKeychain {
    std::mutex mutex;
    std::unique_ptr<Keychain> keychain;
    bool resetRegistered = false;
};

SharedKeychain& sharedKeychain() {
    static SharedKeychain* const instance = new SharedKeychain;
    return *instance;
}

void registerResetLocked(SharedKeychain& shared) {
    if (!shared.resetRegistered) {
        shared.resetRegistered = true;
        onResetSharedState([] {
            SharedKeychain& slot = sharedKeychain();
            std::lock_guard lock(slot.mutex);
            slot.keychain.reset();
        });
    }
}

}  // namespace

bool KeychainQuery::matches(const KeychainItem& item) const {
    return item.itemClass == itemClass && (!account || item.account == *account) &&
           (!service || sameAttribute(item.service, *service)) &&
           (!accessGroup || sameAttribute(item.accessGroup, *accessGroup));
}

Keychain::Keychain(std::shared_ptr<KeychainBackend> backend) : backend_(std::move(backend)) {}

Keychain& Keychain::shared() {
    SharedKeychain& shared = sharedKeychain();
    std::lock_guard lock(shared.mutex);
    registerResetLocked(shared);
    if (!shared.keychain) {
        const QString directory = Paths::privateDataDirectory();
        const QString path =
            directory.isEmpty() ? QString() : directory + QLatin1String(kKeychainFileName);
        shared.keychain = std::make_unique<Keychain>(std::make_shared<FileKeychainBackend>(path));
    }
    return *shared.keychain;
}

void Keychain::setSharedBackend(std::shared_ptr<KeychainBackend> backend) {
    SharedKeychain& shared = sharedKeychain();
    std::lock_guard lock(shared.mutex);
    registerResetLocked(shared);
    shared.keychain = std::make_unique<Keychain>(std::move(backend));
}

KeychainStatus Keychain::addItem(const KeychainItem& item) {
    std::lock_guard lock(mutex_);
    auto items = backend_->load();
    if (!items) {
        return KeychainStatus::IOError;
    }
    if (std::any_of(items->begin(), items->end(),
                    [&](const KeychainItem& existing) { return sameKey(existing, item); })) {
        return KeychainStatus::DuplicateItem;
    }
    items->push_back(item);
    return backend_->store(*items) ? KeychainStatus::Success : KeychainStatus::IOError;
}

KeychainCopyResult Keychain::copyMatching(const KeychainQuery& query) {
    std::lock_guard lock(mutex_);
    const auto items = backend_->load();
    if (!items) {
        return {KeychainStatus::IOError, {}};
    }
    for (const KeychainItem& item : *items) {
        if (query.matches(item)) {
            return {KeychainStatus::Success, item};
        }
    }
    return {KeychainStatus::ItemNotFound, {}};
}

KeychainStatus Keychain::updateItems(const KeychainQuery& query, const QByteArray& data) {
    std::lock_guard lock(mutex_);
    auto items = backend_->load();
    if (!items) {
        return KeychainStatus::IOError;
    }
    bool found = false;
    for (KeychainItem& item : *items) {
        if (query.matches(item)) {
            item.data = data;
            found = true;
        }
    }
    if (!found) {
        return KeychainStatus::ItemNotFound;
    }
    return backend_->store(*items) ? KeychainStatus::Success : KeychainStatus::IOError;
}

KeychainStatus Keychain::deleteItems(const KeychainQuery& query) {
    std::lock_guard lock(mutex_);
    auto items = backend_->load();
    if (!items) {
        return KeychainStatus::IOError;
    }
    const auto removed =
        std::erase_if(*items, [&](const KeychainItem& item) { return query.matches(item); });
    if (removed == 0) {
        return KeychainStatus::ItemNotFound;
    }
    return backend_->store(*items) ? KeychainStatus::Success : KeychainStatus::IOError;
}

}  // namespace platform
