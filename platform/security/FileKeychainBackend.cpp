#include "platform/security/FileKeychainBackend.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/OwnerOnly.h"
#include "platform/foundation/SystemLog.h"
#include "platform/security/KeychainCodec.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <cerrno>
#include <cstring>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

FileKeychainBackend::FileKeychainBackend(QString filePath) : filePath_(std::move(filePath)) {}

std::optional<FileKeychainBackend::Stamp> FileKeychainBackend::stat() const {
    struct ::stat info {};
    if (::stat(QFile::encodeName(filePath_).constData(), &info) != 0) {
        if (errno == ENOENT) {
            return Stamp{};
        }
        return std::nullopt;
    }
    constexpr long long kNsPerSecond = 1000000000LL;
    Stamp stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modifiedNs = info.st_mtim.tv_sec * kNsPerSecond + info.st_mtim.tv_nsec;
    stamp.changedNs = info.st_ctim.tv_sec * kNsPerSecond + info.st_ctim.tv_nsec;
    return stamp;
}

std::optional<std::vector<KeychainItem>> FileKeychainBackend::load() {
    if (filePath_.isEmpty()) {
        systemLog(QStringLiteral("Keychain: no place for the keychain file"));
        return std::nullopt;
    }
    const std::optional<Stamp> stamp = stat();
    if (!stamp) {
        systemLogFormat(u"Keychain: cannot examine %@", filePath_);
        return std::nullopt;
    }
    if (loadedStamp_ && *loadedStamp_ == *stamp) {
        return items_;
    }
    if (!stamp->exists) {
        items_.clear();
        loadedStamp_ = stamp;
        return items_;
    }
    QFile file(filePath_);
    if (!file.open(QIODevice::ReadOnly)) {
        systemLogFormat(u"Keychain: cannot read %@: %@", filePath_, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        systemLogFormat(u"Keychain: cannot read %@: %@", filePath_, file.errorString());
        return std::nullopt;
    }
    items_ = decodeKeychainItems(bytes, filePath_);
    loadedStamp_ = stamp;
    return items_;
}

bool FileKeychainBackend::store(const std::vector<KeychainItem>& items) {
    if (filePath_.isEmpty()) {
        systemLog(QStringLiteral("Keychain: no place for the keychain file"));
        return false;
    }
    const QByteArray bytes = encodeKeychainItems(items);

    makeOwnerOnlyFolder(QFileInfo(filePath_).absolutePath());
    // On failure the temporary file goes with `file`, and the old file stays as it was.
    QString error;
    if (!writeFileAtomically(filePath_, bytes, kOwnerOnlyFile, &error)) {
        systemLogFormat(u"Keychain: cannot write %@: %@", filePath_, error);
        return false;
    }
    items_ = items;
    loadedStamp_ = stat();
    return true;
}

}  // namespace platform
