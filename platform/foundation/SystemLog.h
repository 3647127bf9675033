#pragma once

#include "platform/foundation/Format.h"

#include <QtCore/QString>

namespace platform {

// The platform's system log: one time-stamped line on standard error,
// "2026-01-05 09:00:00.000 Zelvo[pid:tid] message". Each line is written with a single write, so
// lines from several threads never interleave. Safe from any thread.
void systemLog(const QString& message);

template <class... Args>
void systemLogFormat(QStringView fmt, const Args&... args) {
    systemLog(format(fmt, args...));
}

}  // namespace platform
