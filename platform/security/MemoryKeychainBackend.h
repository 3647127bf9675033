#pragma once

#include "platform/security/KeychainBackend.h"

namespace platform {

// Items in memory only, for tests. Can be told to fail, to show how callers handle a keychain
// that cannot be read or written.
class MemoryKeychainBackend : public KeychainBackend {
public:
    std::optional<std::vector<KeychainItem>> load() override;
    bool store(const std::vector<KeychainItem>& items) override;

    void setFailsReads(bool fails) { failsReads_ = fails; }
    void setFailsWrites(bool fails) { failsWrites_ = fails; }

private:
    std::vector<KeychainItem> items_;
    bool failsReads_ = false;
    bool failsWrites_ = false;
};

}  // namespace platform
