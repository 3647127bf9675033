#include "platform/foundation/OwnerOnly.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QStringList>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr mode_t kFolderMode = S_IRWXU;
constexpr mode_t kFileMode = S_IRUSR | S_IWUSR;
constexpr mode_t kPermissionBits = 07777;
constexpr qint64 kCopyBlockSize = 256 * 1024;

// The umask only takes bits away, and a strange one may take the owner's: set the mode outright.
bool restrict(const QByteArray& path, mode_t mode) {
    struct ::stat info {};
    if (::stat(path.constData(), &info) != 0) {
        return false;
    }
    return (info.st_mode & kPermissionBits) == mode || ::chmod(path.constData(), mode) == 0;
}

}  // namespace

bool makeOwnerOnlyFolder(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    // Walk down from the root, creating what is missing.
    const QStringList parts = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current;
    for (const QString& part : parts) {
        current += QLatin1Char('/') + part;
        const QByteArray encoded = QFile::encodeName(current);
        if (::mkdir(encoded.constData(), kFolderMode) == 0) {
            if (!restrict(encoded, kFolderMode)) {
                return false;
            }
        } else if (struct ::stat info{};
                   ::stat(encoded.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            return false;
        }
    }
    struct ::stat info {};
    const QByteArray encoded = QFile::encodeName(absolute);
    return ::stat(encoded.constData(), &info) == 0 &&
           S_ISDIR(info.st_mode)&& restrict(encoded, kFolderMode);
}

int openOwnerOnly(const QString& path, int flags) {
    const QByteArray encoded = QFile::encodeName(path);
    const int fd = ::open(encoded.constData(), flags | O_CREAT | O_CLOEXEC, kFileMode);
    if (fd < 0) {
        return -1;
    }
    struct ::stat info {};
    if (::fstat(fd, &info) != 0 ||
        ((info.st_mode & kPermissionBits) != kFileMode && ::fchmod(fd, kFileMode) != 0)) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

bool restrictToOwner(const QString& path) {
    const QByteArray encoded = QFile::encodeName(path);
    struct ::stat info {};
    if (::lstat(encoded.constData(), &info) != 0) {
        return errno == ENOENT;
    }
    // A link's target may not be ours to change, and a folder is not a file.
    return !S_ISREG(info.st_mode) || restrict(encoded, kFileMode);
}

bool copyOwnerOnly(const QString& source, const QString& target, QString* error) {
    const auto fail = [error](const QString& reason) {
        if (error) {
            *error = reason;
        }
        return false;
    };
    QFile from(source);
    if (!from.open(QIODevice::ReadOnly)) {
        return fail(from.errorString());
    }
    // Created owner-only rather than restricted afterwards: the source's own mode never shows.
    const int fd = openOwnerOnly(target, O_WRONLY | O_EXCL);
    if (fd < 0) {
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    QFile to;
    const auto discard = [&](const QString& reason) {
        to.close();
        QFile::remove(target);
        return fail(reason);
    };
    if (!to.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return discard(to.errorString());
    }
    QByteArray block(kCopyBlockSize, Qt::Uninitialized);
    for (qint64 read = 0; (read = from.read(block.data(), block.size())) != 0;) {
        if (read < 0) {
            return discard(from.errorString());
        }
        if (to.write(block.constData(), read) != read) {
            return discard(to.errorString());
        }
    }
    return to.flush() || discard(to.errorString());
}

}  // namespace platform
