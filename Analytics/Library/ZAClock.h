#pragma once

#include "platform/foundation/Scheduler.h"

#include <QtCore/QDateTime>

namespace za {

// The SDK reads time from the main scheduler's clock (safe from any thread), so that tests on the
// virtual clock see hits age and timers fall due without waiting.
inline QDateTime currentDate() {
    return platform::Scheduler::main().currentDate();
}
inline double nowSeconds() {
    return platform::Scheduler::main().now();
}

}  // namespace za
