#include "Analytics/Library/ZALog.h"

#include "Analytics/Library/ZAConstants.h"
#include "Analytics/Library/ZASharedSlot.h"

#include <QtCore/QFileInfo>

namespace za {

namespace {

ZASharedSlot<ZALogger>& loggerSlot() {
    static ZASharedSlot<ZALogger> slot([] { return std::make_shared<ZADefaultLogger>(); });
    return slot;
}

}  // namespace

std::shared_ptr<ZALogger> sharedLogger() {
    return loggerSlot().get();
}

void setSharedLogger(std::shared_ptr<ZALogger> logger) {
    loggerSlot().set(std::move(logger));
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
