#include "platform/foundation/SystemLog.h"

#include "platform/foundation/Scheduler.h"

#include <QtCore/QCoreApplication>

#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

QString processName() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Zelvo") : name;
}

}  // namespace

void systemLog(const QString& message) {
    const QDateTime now = Scheduler::main().currentDate().toLocalTime();
    const QString line = QStringLiteral("%1 %2[%3:%4] %5\n")
                             .arg(now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
                                  processName(), QString::number(::getpid()),
                                  QString::number(static_cast<long>(::syscall(SYS_gettid))),
                                  message);
    const QByteArray bytes = line.toUtf8();
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, static_cast<size_t>(left));
        if (written <= 0) {
            break;
        }
        data += written;
        left -= written;
    }
}

}  // namespace platform
