#include "ZelvoKit/support/log/ZVErrorLog.h"

#include "platform/foundation/Application.h"
#include "platform/foundation/OwnerOnly.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SharedState.h"
#include "platform/foundation/SystemLog.h"

#include <QtCore/QFile>

#include <cstdio>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString LogFileName = QStringLiteral("errors.log");

bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// The platform's default text of a date: "2026-01-05 09:00:00 +0000".
QString dateText() {
    return platform::Scheduler::main().currentDate().toUTC().toString(
               QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" +0000");
}

}  // namespace

// Lines come from any thread; the lock keeps the handle's state and each line whole.
struct ZVErrorLog::Impl {
    std::mutex mutex;
    bool opened = false;
    QString path;  // empty when the container is not available
    int fd = -1;   // the log's own handle; -1 when unavailable or redirected
    // Lines written since the last flush: a flush with nothing new skips the disk.
    bool unsynced = false;

    void openLocked() {
        if (opened) {
            return;
        }
        opened = true;
        // Read once, when the log opens during launch on the main thread.
        const QString container = platform::Paths::applicationGroupContainer(
            platform::Application::shared().applicationGroupIdentifier());
        if (container.isEmpty()) {
            return;
        }
        path = container + QLatin1Char('/') + LogFileName;
        // Appending keeps lines that another writer (standard error) put in the same file.
        fd = platform::openOwnerOnly(path, O_WRONLY | O_APPEND);
        if (fd < 0) {
            platform::systemLogFormat(u"Cannot open the error log %@ (errno %d)", path, errno);
            return;
        }
        const off_t end = ::lseek(fd, 0, SEEK_END);
        if (end > MaxLogFileSize) {
            truncateLocked();
        }
    }

    void truncateLocked() {
        if (::ftruncate(fd, 0) == 0) {
            ::lseek(fd, 0, SEEK_SET);
        }
    }

    void closeLocked() {
        if (fd >= 0) {
            ::close(fd);
        }
        fd = -1;
        opened = false;
        path.clear();
    }
};

ZVErrorLog::ZVErrorLog() : d_(std::make_unique<Impl>()) {}

ZVErrorLog::~ZVErrorLog() {
    std::lock_guard lock(d_->mutex);
    d_->closeLocked();
}

ZVErrorLog& ZVErrorLog::errorLog() {
    // Lives for the process so that logging during shutdown still finds it; tests only close
    // its file, which the next use opens again under the test's own root.
    static ZVErrorLog* const shared = [] {
        auto* log = new ZVErrorLog;
        platform::onResetSharedState([log] {
            std::lock_guard lock(log->d_->mutex);
            log->d_->closeLocked();
        });
        return log;
    }();
    return *shared;
}

void ZVErrorLog::logMessage(const QString& message) {
    {
        std::lock_guard lock(d_->mutex);
        d_->openLocked();
        if (d_->fd >= 0) {
            writeAll(d_->fd, platform::format(u"%@ %@\n", dateText(), message).toUtf8());
            d_->unsynced = true;
        }
    }
    platform::systemLogFormat(u"%@", message);
}

void ZVErrorLog::flush() {
    std::fflush(stderr);
    std::lock_guard lock(d_->mutex);
    if (d_->fd >= 0 && std::exchange(d_->unsynced, false)) {
        ::fsync(d_->fd);
    }
}

void ZVErrorLog::redirectStdErr() {
    std::lock_guard lock(d_->mutex);
    d_->openLocked();
    if (d_->fd < 0) {
        return;
    }
    // Opened before anything is closed, so a failure leaves standard error where it was and the
    // log keeps its handle.
    const int target = platform::openOwnerOnly(d_->path, O_RDWR | O_APPEND);
    if (target < 0) {
        platform::systemLogFormat(u"Cannot redirect standard error to %@ (errno %d)", d_->path,
                                  errno);
        return;
    }
    std::fflush(stderr);
    const bool redirected = ::dup2(target, STDERR_FILENO) >= 0;
    ::close(target);
    if (!redirected) {
        platform::systemLogFormat(u"Cannot redirect standard error to %@ (errno %d)", d_->path,
                                  errno);
        return;
    }
    ::close(d_->fd);
    d_->fd = -1;
}

void ZVErrorLog::deleteLogFile() {
    std::lock_guard lock(d_->mutex);
    d_->openLocked();
    if (d_->fd >= 0) {
        d_->truncateLocked();
        return;
    }
    if (d_->path.isEmpty()) {
        return;
    }
    const int fd = ::open(QFile::encodeName(d_->path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
        if (::ftruncate(fd, 0) != 0) {
            platform::systemLogFormat(u"Cannot empty the error log (errno %d)", errno);
        }
        ::close(fd);
    }
}

std::int64_t ZVErrorLog::logFileSize() {
    std::lock_guard lock(d_->mutex);
    d_->openLocked();
    if (d_->fd >= 0) {
        const off_t offset = ::lseek(d_->fd, 0, SEEK_CUR);
        return offset < 0 ? 0 : static_cast<std::int64_t>(offset);
    }
    struct stat info {};
    if (!d_->path.isEmpty() && ::stat(QFile::encodeName(d_->path).constData(), &info) == 0) {
        return static_cast<std::int64_t>(info.st_size);
    }
    return 0;
}

QUrl ZVErrorLog::logFileURL() {
    const QString path = logFilePath();
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

QString ZVErrorLog::logFilePath() {
    std::lock_guard lock(d_->mutex);
    d_->openLocked();
    return d_->path;
}
