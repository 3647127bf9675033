#pragma once

#include <QtCore/QString>

// Names of indexed fields.
class ZAFields {
public:
    ZAFields() = delete;
    static QString customDimensionForIndex(unsigned long index);
    static QString customMetricForIndex(unsigned long index);
    static QString contentGroupForIndex(unsigned long index);
};

class ZAEcommerceFields {
public:
    ZAEcommerceFields() = delete;
    // A null suffix gives the bare product field.
    static QString productFieldForIndex(unsigned long index, const QString& suffix);
    static QString impressionListForIndex(unsigned long index);
    static QString productImpressionForList(unsigned long list, unsigned long index,
                                            const QString& suffix);
    static QString promotionForIndex(unsigned long index, const QString& suffix);
    static QString stripAmpersandIfPresent(const QString& text);
};
