#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QFileDevice>
#include <QtCore/QString>

namespace platform {

// Replaces the file at `path` with `bytes` so that a crash or a full disk leaves either the old
// file or the new one, never a torn one: written to a temporary file beside it, flushed and synced,
// then renamed over it. `permissions` (owner-only, 0600, when none are given) are set before the
// first byte is written, whatever the umask and the old file's mode. On
// failure returns false, leaves the old file as it was and, when `error` is given, says why.
bool writeFileAtomically(const QString& path, const QByteArray& bytes,
                         QFileDevice::Permissions permissions = {}, QString* error = nullptr);

}  // namespace platform
