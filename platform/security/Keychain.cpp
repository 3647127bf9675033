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

struct SharedKeychain {
    std::mutex mutex;
    std::unique_ptr<Keychain> keychain;
    std::function<std::shared_ptr<KeychainBackend>()> factory;
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

bool KeychainItem::hasSameKey(const KeychainItem& other) const {
    return itemClass == other.itemClass && account == other.account &&
           sameAttribute(service, other.service) && sameAttribute(accessGroup, other.accessGroup);
}

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
        shared.keychain = std::make_unique<Keychain>(
            shared.factory ? shared.factory()
                           : std::make_shared<FileKeychainBackend>(sharedFilePath()));
    }
    return *shared.keychain;
}

QString Keychain::sharedFilePath() {
    const QString directory = Paths::privateDataDirectory();
    return directory.isEmpty() ? QString() : directory + QLatin1String(kKeychainFileName);
}

void Keychain::setSharedBackendFactory(std::function<std::shared_ptr<KeychainBackend>()> factory) {
    SharedKeychain& shared = sharedKeychain();
    std::lock_guard lock(shared.mutex);
    registerResetLocked(shared);
    shared.factory = std::move(factory);
    shared.keychain.reset();
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
                    [&](const KeychainItem& existing) { return existing.hasSameKey(item); })) {
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
