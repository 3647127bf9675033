#include "platform/security/MemoryKeychainBackend.h"

namespace platform {

std::optional<std::vector<KeychainItem>> MemoryKeychainBackend::load() {
    if (failsReads_) {
        return std::nullopt;
    }
    return items_;
}

bool MemoryKeychainBackend::store(const std::vector<KeychainItem>& items) {
    if (failsWrites_) {
        return false;
    }
    items_ = items;
    return true;
}

}  // namespace platform
