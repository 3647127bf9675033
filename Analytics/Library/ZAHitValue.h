#pragma once

#include <QtCore/QString>
#include <QtCore/QVariant>
#include <QtCore/QVariantMap>

// A hit: field name to a text, a number or the null marker. The null marker keeps the key (it
// overrides a default) but the request leaves the field out.
using ZAHitParameters = QVariantMap;

inline QVariant ZANull() {
    return QVariant::fromValue(nullptr);
}
inline bool isZANull(const QVariant& value) {
    return value.metaType().id() == QMetaType::Nullptr;
}
inline bool isZAText(const QVariant& value) {
    return value.metaType().id() == QMetaType::QString;
}
inline bool isZANumber(const QVariant& value) {
    switch (value.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Bool:
            return true;
        default:
            return false;
    }
}
// A number's decimal text: whole numbers without a fraction.
QString ZANumberText(const QVariant& number);
