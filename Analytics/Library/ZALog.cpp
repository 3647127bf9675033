#include "Analytics/Library/ZALog.h"

#include "Analytics/Library/ZAConstants.h"

#include <QtCore/QFileInfo>

#include <mutex>

namespace za {

namespace {

std::mutex& loggerLock() {
    static std::mutex lock;
    return lock;
}

std::shared_ptr<ZALogger>& loggerSlot() {
    static std::shared_ptr<ZALogger> logger;
    return logger;
}

}  // namespace

std::shared_ptr<ZALogger> sharedLogger() {
    std::lock_guard guard(loggerLock());
    if (!loggerSlot()) {
        loggerSlot() = std::make_shared<ZADefaultLogger>();
    }
    return loggerSlot();
}

void setSharedLogger(std::shared_ptr<ZALogger> logger) {
    std::lock_guard guard(loggerLock());
    loggerSlot() = std::move(logger);
}

void logPlain(LogLevel level, const QString& text) {
    const auto logger = sharedLogger();
    if (!logger) {
        return;
    }
    switch (level) {
        case LogLevel::Verbose:
            logger->verbose(text);
            break;
        case LogLevel::Info:
            logger->info(text);
            break;
        case LogLevel::Warning:
            logger->warning(text);
            break;
        case LogLevel::Error:
            logger->error(text);
            break;
    }
}

void log(LogLevel level, const char* function, const char* file, int line, const QString& text) {
    const QString prefix =
        platform::format(u"%@ %@ %s (%@:%d): ", kZAProduct(), kZAVersion(), function,
                         QFileInfo(QString::fromUtf8(file)).fileName(), line);
    logPlain(level, prefix + text);
}

}  // namespace za
