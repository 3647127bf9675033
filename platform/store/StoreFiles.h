#pragma once

#include <QtCore/QString>

#include <vector>

namespace platform {

struct StoreFileFailure {
    QString fileName;
    QString reason;
};

// Removes the store file at `path` and its side files: every entry of its folder whose name begins
// with the store's file name ("Zelvo.sqlite-wal", "Zelvo.sqlite-shm"...). Goes on past entries that
// cannot be removed and returns those. Close every context of the store first.
std::vector<StoreFileFailure> removeStoreFiles(const QString& path);

}  // namespace platform
