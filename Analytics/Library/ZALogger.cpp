#include "Analytics/Library/ZALogger.h"

#include "platform/foundation/SystemLog.h"

void ZADefaultLogger::write(unsigned level, const char* label, const QString& message) {
    if (logLevel() >= level) {
        platform::systemLog(QString::fromLatin1(label) + message);
    }
}

void ZADefaultLogger::verbose(const QString& message) {
    write(kLevelVerbose, "VERBOSE: ", message);
}

void ZADefaultLogger::info(const QString& message) {
    write(kLevelInfo, "INFO: ", message);
}

void ZADefaultLogger::warning(const QString& message) {
    write(kLevelWarning, "WARNING: ", message);
}

void ZADefaultLogger::error(const QString& message) {
    write(kLevelError, "ERROR: ", message);
}
