#pragma once

#include "platform/security/KeychainBackend.h"

#include <QtCore/QString>

#include <sys/types.h>

namespace platform {

// Items in one JSON file, readable by the owner only (mode 0600), replaced atomically on every
// change so that a crash leaves the old or the new file. The file is read on first use and again
// whenever it has changed on disk since (another instance or process wrote it).
//
// A file that is not a keychain file counts as an empty keychain (logged), and is replaced by the
// next change; an item that cannot be read is skipped (logged) and the others kept. A file that
// exists but cannot be opened makes load() fail, so it is never written over.
class FileKeychainBackend : public KeychainBackend {
public:
    explicit FileKeychainBackend(QString filePath);

    std::optional<std::vector<KeychainItem>> load() override;
    bool store(const std::vector<KeychainItem>& items) override;

    const QString& filePath() const { return filePath_; }

private:
    // What identifies one version of the file on disk.
    struct Stamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modifiedNs = 0;
        long long changedNs = 0;
        bool operator==(const Stamp&) const = default;
    };

    std::optional<Stamp> stat() const;

    QString filePath_;
    std::optional<Stamp> loadedStamp_;
    std::vector<KeychainItem> items_;
};

}  // namespace platform
