#include "platform/foundation/AtomicFile.h"

#include "platform/foundation/OwnerOnly.h"

#include <QtCore/QSaveFile>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace platform {

bool writeFileAtomically(const QString& path, const QByteArray& bytes,
                         QFileDevice::Permissions permissions, QString* error) {
    QSaveFile file(path);
    const auto fail = [error](const QString& reason) {
        if (error) {
            *error = reason;
        }
        return false;
    };
    if (path.isEmpty()) {
        return fail(QStringLiteral("no path"));
    }
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(file.errorString());
    }
    if (!file.setPermissions(permissions ? permissions : kOwnerOnlyFile)) {
        return fail(file.errorString());
    }
    // Flushed and synced by hand: QSaveFile::commit() does not notice a short write (a full disk)
    // and would put a truncated file in place of the good one.
    if (file.write(bytes) != bytes.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit()) {
        return fail(file.errorString());
    }
    return true;
}

}  // namespace platform
