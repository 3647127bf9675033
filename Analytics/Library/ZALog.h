#pragma once

#include "Analytics/Library/ZALogger.h"
#include "platform/foundation/Format.h"

#include <QtCore/QString>

#include <memory>

namespace za {

enum class LogLevel { Verbose, Info, Warning, Error };

// The logger every part of the SDK writes through; a default logger until one is set.
std::shared_ptr<ZALogger> sharedLogger();
void setSharedLogger(std::shared_ptr<ZALogger> logger);

// Writes "ZelvoAnalytics 3.09 <function> (<file>:<line>): <text>" at `level`.
void log(LogLevel level, const char* function, const char* file, int line, const QString& text);
// Writes `text` as it stands, without the prefix.
void logPlain(LogLevel level, const QString& text);

}  // namespace za

#define ZA_LOG(level, ...) \
    ::za::log(::za::LogLevel::level, __func__, __FILE__, __LINE__, ::platform::format(__VA_ARGS__))
