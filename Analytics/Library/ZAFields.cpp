#include "Analytics/Library/ZAFields.h"

QString ZAFields::customDimensionForIndex(unsigned long index) {
    return QStringLiteral("&cd%1").arg(index);
}

QString ZAFields::customMetricForIndex(unsigned long index) {
    return QStringLiteral("&cm%1").arg(index);
}

QString ZAFields::contentGroupForIndex(unsigned long index) {
    return QStringLiteral("&cg%1").arg(index);
}

QString ZAEcommerceFields::stripAmpersandIfPresent(const QString& text) {
    return text.startsWith(QLatin1Char('&')) ? text.mid(1) : text;
}

QString ZAEcommerceFields::productFieldForIndex(unsigned long index, const QString& suffix) {
    if (suffix.isNull()) {
        return QStringLiteral("&pr%1").arg(index);
    }
    return QStringLiteral("&pr%1").arg(index) + stripAmpersandIfPresent(suffix);
}

QString ZAEcommerceFields::impressionListForIndex(unsigned long index) {
    return QStringLiteral("&il%1").arg(index);
}

QString ZAEcommerceFields::productImpressionForList(unsigned long list, unsigned long index,
                                                    const QString& suffix) {
    return impressionListForIndex(list) + QStringLiteral("pi%1").arg(index) +
           stripAmpersandIfPresent(suffix);
}

QString ZAEcommerceFields::promotionForIndex(unsigned long index, const QString& suffix) {
    return QStringLiteral("&promo%1").arg(index) + stripAmpersandIfPresent(suffix);
}
