#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

// An exception as the reporter sees it: its name and the call-stack lines at the throw.
struct ZAExceptionInfo {
    QString name;
    // Lines of the form "index image address symbol + offset".
    QStringList callStackSymbols;
};

// Describes an exception for an exception hit. Class operations only.
class ZAExceptionParser {
public:
    ZAExceptionParser() = delete;
    // The name, then "\nTrace:" and one "\n<symbol>" per frame from the third on; cut to
    // `maxLength` characters (0: no limit).
    static QString exceptionDescription(const ZAExceptionInfo& exception, int maxLength);
    // The symbol of one call-stack line; null for machinery frames and short lines.
    static QString symbolFromStackFrame(const QString& frame);
};

// Reporting an uncaught exception as a fatal exception hit. The handler is the process's
// terminate handler; installing keeps the one it replaces and uninstalling puts it back.
void ZAInstallUncaughtExceptionHandler();
void ZAUninstallUncaughtExceptionHandler();
[[noreturn]] void ZAUncaughtExceptionHandler();
// Reports `exception` (the work of the handler before it hands over); false when an earlier
// exception is being reported already.
bool ZAReportUncaughtException(const ZAExceptionInfo& exception);
// The call stack of the current thread, in the form the parser reads.
QStringList ZACurrentCallStackSymbols();
