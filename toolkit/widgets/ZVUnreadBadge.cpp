#include "toolkit/widgets/ZVUnreadBadge.h"

void ZVUnreadBadge::setNumber(long number, bool animated) {
    number_ = number;
    setText(formatNumber(number), animated);
}

QString ZVUnreadBadge::formatNumber(long number) {
    if (number == 0) {
        return QString();
    }
    if (number < kThousand) {
        return QString::number(number);
    }
    return QStringLiteral("%1k%2").arg(number / kThousand).arg(number % kThousand == 0 ? "" : "+");
}

QImage ZVUnreadBadge::badgeWithNumber(long number) {
    return badgeWithText(formatNumber(number), kOrange);
}
