#pragma once

#include "platform/foundation/NumberConversion.h"

#include <QtCore/QDateTime>
#include <QtCore/QTimeZone>

namespace platform {

// Stored times are counted in seconds from the platform's reference date, 1 January 2001 UTC.
constexpr double kReferenceDateSince1970 = 978307200.0;

inline double timeIntervalSinceReferenceDate(const QDateTime& date) {
    return static_cast<double>(date.toMSecsSinceEpoch()) / 1000.0 - kReferenceDateSince1970;
}

// An absurd stored value gives a date at the end of the range, never an undefined conversion.
inline QDateTime dateWithTimeIntervalSinceReferenceDate(double seconds) {
    return QDateTime::fromMSecsSinceEpoch(
        saturatingInt64((seconds + kReferenceDateSince1970) * 1000.0), QTimeZone::utc());
}

}  // namespace platform
