#include "platform/store/StoreLock.h"

#include "platform/foundation/OwnerOnly.h"

#include <QtCore/QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

QString StoreLock::lockFilePath(const QString& storePath) {
    const QFileInfo store(storePath);
    return store.absolutePath() + QStringLiteral("/.") + store.fileName() + QStringLiteral(".lock");
}

StoreResult<std::unique_ptr<StoreLock>> StoreLock::acquire(const QString& storePath) {
    const QString path = lockFilePath(storePath);
    if (!makeOwnerOnlyFolder(QFileInfo(path).absolutePath())) {
        return StoreError::make(StoreError::Code::CannotOpen,
                                QStringLiteral("cannot create the folder of %1").arg(storePath));
    }
    const int fd = openOwnerOnly(path, O_RDWR);
    if (fd < 0) {
        const int error = errno;
        return StoreError::make(
            error == ENOSPC ? StoreError::Code::DiskFull : StoreError::Code::CannotOpen,
            QStringLiteral("cannot open the lock %1: %2")
                .arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
    int rc = 0;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            return StoreError::make(
                StoreError::Code::Busy,
                QStringLiteral("%1 is in use by another process of this application; it is kept "
                               "as it is")
                    .arg(storePath));
        }
        return StoreError::make(StoreError::Code::CannotOpen,
                                QStringLiteral("cannot lock %1: %2")
                                    .arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
    return std::unique_ptr<StoreLock>(new StoreLock(fd));
}

StoreLock::~StoreLock() {
    // Closing the only descriptor of the lock file releases the lock.
    ::close(fd_);
}

}  // namespace platform
