#pragma once

#include <exception>
#include <functional>

// How the process runs the application: an exception that nobody catches, whether it leaves the
// loop or ends the process through std::terminate, is written to the error log with the stack that
// saw it ("Exception: %@", "Backtrace: %@"), the log is flushed, and the process fails.
class ZVProcessEntry {
public:
    // The exit status of a process ended by an uncaught exception.
    static constexpr int kUncaughtExceptionStatus = 70;

    // Installs the handler for std::terminate.
    static void installUncaughtExceptionHandler();
    // Logs the exception and its backtrace, then flushes the log.
    static void logException(const std::exception_ptr& exception);
    // Runs `loop` under the handler; its result, or kUncaughtExceptionStatus after an exception.
    static int run(const std::function<int()>& loop);
};
