#include "Analytics/Library/ZAHitValue.h"

#include <cmath>
#include <limits>

QString ZANumberText(const QVariant& number) {
    switch (number.metaType().id()) {
        case QMetaType::Double:
        case QMetaType::Float: {
            const double value = number.toDouble();
            constexpr double kLargestExactWhole = 9007199254740992.0;  // 2^53
            if (std::isfinite(value) && std::floor(value) == value &&
                std::fabs(value) <= kLargestExactWhole) {
                return QString::number(static_cast<qint64>(value));
            }
            return QString::number(value, 'g', std::numeric_limits<double>::max_digits10);
        }
        case QMetaType::Bool:
            return number.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::ULongLong:
            return QString::number(number.toULongLong());
        default:
            return QString::number(number.toLongLong());
    }
}
