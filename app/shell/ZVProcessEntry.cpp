#include "app/shell/ZVProcessEntry.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <QtCore/QStringList>

#include <execinfo.h>
#include <unistd.h>

#include <cstdlib>

namespace {

constexpr int kMaxFrames = 64;

QString describe(const std::exception_ptr& exception) {
    if (!exception) {
        return QStringLiteral("std::terminate without an exception");
    }
    try {
        std::rethrow_exception(exception);
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("an exception of an unknown type");
    }
}

QString backtraceText() {
    void* frames[kMaxFrames];
    const int count = backtrace(frames, kMaxFrames);
    char** symbols = backtrace_symbols(frames, count);
    QStringList lines;
    for (int i = 0; symbols && i < count; ++i) {
        lines << QString::fromLocal8Bit(symbols[i]);
    }
    std::free(symbols);
    return lines.join(u'\n');
}

[[noreturn]] void onTerminate() {
    ZVProcessEntry::logException(std::current_exception());
    // Nothing else runs: the state that threw is not trusted for a tidy exit.
    _exit(ZVProcessEntry::kUncaughtExceptionStatus);
}

}  // namespace

void ZVProcessEntry::installUncaughtExceptionHandler() {
    std::set_terminate(&onTerminate);
}

void ZVProcessEntry::logException(const std::exception_ptr& exception) {
    ZVLogError(u"Exception: %@", describe(exception));
    ZVLogError(u"Backtrace: %@", backtraceText());
    ZVErrorLog::errorLog().flush();
}

int ZVProcessEntry::run(const std::function<int()>& loop) {
    installUncaughtExceptionHandler();
    try {
        return loop();
    } catch (...) {
        logException(std::current_exception());
        return kUncaughtExceptionStatus;
    }
}
