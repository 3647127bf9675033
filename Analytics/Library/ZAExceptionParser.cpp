#include "Analytics/Library/ZAExceptionParser.h"

#include "Analytics/Library/ZA.h"
#include "Analytics/Library/ZADictionaryBuilder.h"
#include "Analytics/Library/ZALog.h"
#include "Analytics/Library/ZATrackerImpl.h"
#include "platform/foundation/Scheduler.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QRegularExpression>
#include <QtCore/QThread>

#include <cxxabi.h>
#include <execinfo.h>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <memory>
#include <typeinfo>

namespace {

constexpr int kFirstReportedFrame = 2;
constexpr int kMaxDescriptionLength = 150;
constexpr int kDispatchWaitMs = 5000;
constexpr int kMaxFrames = 64;

std::atomic<int> handlingException{0};
std::terminate_handler previousHandler = nullptr;

QString demangle(const char* name) {
    int status = 0;
    char* readable = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    const QString result = QString::fromUtf8(status == 0 && readable ? readable : name);
    std::free(readable);
    return result;
}

ZAExceptionInfo currentExceptionInfo() {
    ZAExceptionInfo info;
    std::type_info* type = abi::__cxa_current_exception_type();
    info.name = type ? demangle(type->name()) : QStringLiteral("unknown exception");
    if (auto pending = std::current_exception()) {
        try {
            std::rethrow_exception(pending);
        } catch (const std::exception& exception) {
            info.name += QStringLiteral(": ") + QString::fromUtf8(exception.what());
        } catch (...) {
        }
    }
    info.callStackSymbols = ZACurrentCallStackSymbols();
    return info;
}

}  // namespace

QString ZAExceptionParser::symbolFromStackFrame(const QString& frame) {
    const QStringList parts =
        frame.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (parts.size() < 4 || parts[3] == QLatin1String("+[NSException")) {
        return QString();
    }
    if (parts.size() == 4 || parts[4] == QLatin1String("+")) {
        return parts[3];
    }
    return parts[3] + QLatin1Char(' ') + parts[4];
}

QString ZAExceptionParser::exceptionDescription(const ZAExceptionInfo& exception, int maxLength) {
    QString text = exception.name;
    const QStringList& frames = exception.callStackSymbols;
    bool traced = false;
    for (int i = kFirstReportedFrame; i < frames.size(); ++i) {
        const QString symbol = symbolFromStackFrame(frames[i]);
        if (symbol.isNull()) {
            continue;
        }
        if (!traced) {
            text += QStringLiteral("\nTrace:");
            traced = true;
        }
        text += QLatin1Char('\n') + symbol;
        if (maxLength > 0 && text.size() >= maxLength) {
            break;
        }
    }
    if (maxLength > 0 && text.size() > maxLength) {
        text.truncate(maxLength);
    }
    return text;
}

QStringList ZACurrentCallStackSymbols() {
    void* addresses[kMaxFrames];
    const int count = backtrace(addresses, kMaxFrames);
    char** symbols = backtrace_symbols(addresses, count);
    QStringList lines;
    // "image(function+0x1a) [0x...]" becomes "index image address function + offset".
    static const QRegularExpression frame(
        QStringLiteral("^(.*)\\(([^+)]*)\\+?([^)]*)\\)\\s*\\[(0x[0-9a-fA-F]+)\\]$"));
    for (int i = 0; i < count; ++i) {
        const QString line = QString::fromUtf8(symbols ? symbols[i] : "");
        const auto match = frame.match(line);
        if (match.hasMatch() && !match.captured(2).isEmpty()) {
            lines.append(QStringLiteral("%1 %2 %3 %4 + %5")
                             .arg(i)
                             .arg(match.captured(1).section(QLatin1Char('/'), -1),
                                  match.captured(4),
                                  demangle(match.captured(2).toUtf8()).remove(QLatin1Char(' ')),
                                  match.captured(3)));
        } else {
            lines.append(QStringLiteral("%1 %2").arg(i).arg(line));
        }
    }
    std::free(symbols);
    return lines;
}

bool ZAReportUncaughtException(const ZAExceptionInfo& exception) {
    int expected = 0;
    if (!handlingException.compare_exchange_strong(expected, 1, std::memory_order_seq_cst)) {
        ZA_LOG(Warning, u"Bailing on multiple uncaught exceptions: %@", exception.name);
        return false;
    }
    ZA_LOG(Warning, u"Uncaught exception: %@", exception.name);
    const QString description =
        ZAExceptionParser::exceptionDescription(exception, kMaxDescriptionLength);
    const ZAHitParameters hit =
        ZADictionaryBuilder::za_exceptionWithDescription(description, true).build();
    ZA& analytics = ZA::sharedInstance();
    if (auto tracker = std::dynamic_pointer_cast<ZATrackerImpl>(analytics.za_defaultTracker())) {
        tracker->za_send(hit);
    }
    // Give the dispatch its time before the process goes.
    auto done = std::make_shared<std::atomic<bool>>(false);
    analytics.za_dispatchWithCompletionHandler([done](int) { done->store(true); });
    if (QCoreApplication::instance() &&
        QThread::currentThread() == QCoreApplication::instance()->thread()) {
        platform::Scheduler::main().runUntil([done] { return done->load(); }, kDispatchWaitMs);
    }
    return true;
}

void ZAUncaughtExceptionHandler() {
    ZAReportUncaughtException(currentExceptionInfo());
    if (previousHandler != nullptr && previousHandler != ZAUncaughtExceptionHandler) {
        previousHandler();
    }
    std::abort();
}

void ZAInstallUncaughtExceptionHandler() {
    if (std::get_terminate() == ZAUncaughtExceptionHandler) {
        return;
    }
    previousHandler = std::get_terminate();
    std::set_terminate(ZAUncaughtExceptionHandler);
}

void ZAUninstallUncaughtExceptionHandler() {
    if (std::get_terminate() == ZAUncaughtExceptionHandler) {
        std::set_terminate(previousHandler);
    }
}
