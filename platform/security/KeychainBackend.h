#pragma once

#include "platform/security/KeychainItem.h"

#include <optional>
#include <vector>

namespace platform {

// Where a Keychain keeps its items: the whole list is read and replaced at once.
class KeychainBackend {
public:
    virtual ~KeychainBackend() = default;

    // The stored items in the order they were added; none when they cannot be read now, in which
    // case the keychain must not write over them either.
    virtual std::optional<std::vector<KeychainItem>> load() = 0;
    // Replaces the stored items; false (and the old items kept) when that fails.
    virtual bool store(const std::vector<KeychainItem>& items) = 0;
};

}  // namespace platform
