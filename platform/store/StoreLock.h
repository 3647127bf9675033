#pragma once

#include "platform/store/StoreError.h"

#include <QtCore/QString>

#include <memory>

namespace platform {

// One process at a time for a store: an advisory lock (flock) on a file beside it, held as long
// as this object lives. A second holder, in another process or through another StoreLock of this
// one, is refused at once with a Busy error and touches nothing. The lock file's name does not
// begin with the store's, so removing the store's files (removeStoreFiles) leaves it, and the
// lock, in place while the store is made again. The store's folder is made (0700) when missing.
class StoreLock {
public:
    static StoreResult<std::unique_ptr<StoreLock>> acquire(const QString& storePath);
    // "<folder>/.<store file name>.lock"
    static QString lockFilePath(const QString& storePath);

    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    explicit StoreLock(int fd) : fd_(fd) {}

    int fd_;
};

}  // namespace platform
