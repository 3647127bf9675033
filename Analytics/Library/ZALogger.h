#pragma once

#include <QtCore/QString>

#include <atomic>

// Where the SDK writes its messages. Levels: 0 nothing, 1 errors, 2 warnings, 3 information,
// 4 everything. Called from the main thread and the SDK thread.
class ZALogger {
public:
    virtual ~ZALogger() = default;
    virtual unsigned logLevel() const = 0;
    virtual void setLogLevel(unsigned level) = 0;
    virtual void verbose(const QString& message) = 0;
    virtual void info(const QString& message) = 0;
    virtual void warning(const QString& message) = 0;
    virtual void error(const QString& message) = 0;
};

// Writes to the system log, warnings and errors at start.
class ZADefaultLogger : public ZALogger {
public:
    static constexpr unsigned kLevelNone = 0;
    static constexpr unsigned kLevelError = 1;
    static constexpr unsigned kLevelWarning = 2;
    static constexpr unsigned kLevelInfo = 3;
    static constexpr unsigned kLevelVerbose = 4;

    unsigned logLevel() const override { return logLevel_.load(); }
    void setLogLevel(unsigned level) override { logLevel_.store(level); }
    void verbose(const QString& message) override;
    void info(const QString& message) override;
    void warning(const QString& message) override;
    void error(const QString& message) override;

private:
    void write(unsigned level, const char* label, const QString& message);

    std::atomic<unsigned> logLevel_{kLevelWarning};
};
