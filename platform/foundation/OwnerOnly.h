#pragma once

#include <QtCore/QFileDevice>
#include <QtCore/QString>

namespace platform {

// Everything the application writes for its user (stores, settings, credentials, caches, logs) is
// readable by that user alone, whatever umask the process inherited: folders 0700, files 0600.
constexpr QFileDevice::Permissions kOwnerOnlyFile =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOwnerOnlyFolder =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// Creates the folder and its missing parents as 0700, and brings the folder itself to 0700 when it
// already existed (a folder left by an earlier version). Parents that existed are left alone.
// False when the folder cannot be made or restricted.
bool makeOwnerOnlyFolder(const QString& path);

// Opens the file with open(2) `flags` (O_CREAT is added), creating it as 0600 and bringing an
// existing one to 0600. The descriptor, or -1 with errno set.
int openOwnerOnly(const QString& path, int flags);

// Brings an existing regular file to 0600; true when it is missing, not a regular file, or now
// owner-only.
bool restrictToOwner(const QString& path);

// Copies `source` to the new file `target` as 0600, whatever mode the source has. On failure
// nothing is left at `target` and `error`, when given, says why.
bool copyOwnerOnly(const QString& source, const QString& target, QString* error = nullptr);

}  // namespace platform
