#pragma once

#include "platform/foundation/Format.h"

#include <QtCore/QString>
#include <QtCore/QStringView>
#include <QtCore/QUrl>

#include <cstdint>
#include <memory>

// The diagnostic log "errors.log" in the application group's container, which users can read, send
// or empty. Every line goes to the system log as well; after redirectStdErr() the system log's own
// lines (standard error) are what reaches the file.
//
// Safe from any thread. The file is opened at first use; tests reset it between cases.
class ZVErrorLog {
public:
    // A longer log is emptied when it is opened.
    static constexpr std::int64_t MaxLogFileSize = 1048576;

    static ZVErrorLog& errorLog();

    // Appends "<date> <message>\n" while the log holds its own handle, and passes the message to
    // the system log in every state.
    void logMessage(const QString& message);
    // Flushes standard error, then forces the log's data to disk.
    void flush();
    // Reopens the process's standard error (fd 2) in append mode onto the log file and gives up
    // the log's own handle. Does nothing without a handle.
    void redirectStdErr();
    // Truncates the file to 0 bytes; later lines start from the beginning.
    void deleteLogFile();
    // The handle's offset, else the file's size, else 0.
    std::int64_t logFileSize();
    // Empty when the application group's container is not available.
    QUrl logFileURL();
    QString logFilePath();

    ~ZVErrorLog();
    ZVErrorLog(const ZVErrorLog&) = delete;
    ZVErrorLog& operator=(const ZVErrorLog&) = delete;

private:
    ZVErrorLog();
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// The one logging call of the system: formats as the "%@" formatter does, appends the line to the
// error log and flushes it.
template <class... Args>
void ZVLogError(QStringView format, const Args&... args) {
    ZVErrorLog& log = ZVErrorLog::errorLog();
    log.logMessage(platform::format(format, args...));
    log.flush();
}
