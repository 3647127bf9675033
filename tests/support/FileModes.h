#pragma once

// Process-wide file-mode settings for tests that check what the application creates.

#include <QtCore/QFile>
#include <QtCore/QString>

#include <sys/stat.h>

namespace zvtest {

// The permission bits of the file or folder at `path`; 0 when it is missing.
inline mode_t fileMode(const QString& path) {
    struct ::stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Runs a test with the process's umask changed and puts it back whatever happens.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(old_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t old_;
};

}  // namespace zvtest
