#include "MessageFlow/menus/ZVSnoozeButton.h"

#include "ZelvoKit/support/text/ZVLocalization.h"
#include "platform/foundation/Scheduler.h"

#include <algorithm>
#include <cmath>

namespace {

QDateTime snoozeEndAfter(double interval) {
    return platform::Scheduler::main().currentDate().addMSecs(
        static_cast<qint64>(std::llround(interval * 1000.0)));
}

}  // namespace

ZVSnoozeButton::ZVSnoozeButton(const QString& title, double interval, bool endsAtWallClock)
    : ZVAlertButton(title, subtitleForInterval(interval), QString()), interval_(interval) {
    if (endsAtWallClock && interval > 0) {
        end_ = snoozeEndAfter(interval);
    }
}

double ZVSnoozeButton::intervalFromNow() const {
    if (!end_.isValid()) {
        return interval_;
    }
    const double left =
        static_cast<double>(platform::Scheduler::main().currentDate().msecsTo(end_)) / 1000.0;
    return std::max(left, kEndedInterval);
}

QString ZVSnoozeButton::subtitleForInterval(double interval) {
    if (interval == kUntilUnmuted) {
        return QStringLiteral("Until unmuted");
    }
    if (interval == kUnmute) {
        return QString();
    }
    return ZVLocalization::formatDateAndTime(snoozeEndAfter(interval), false);
}
