#include "platform/store/StoreValue.h"

#include "platform/foundation/NumberConversion.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace platform {

namespace {

constexpr double kMillisecondsPerSecond = 1000.0;

template <class T>
int threeWay(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Exact comparison of an integer with a real number, also beyond 2^53 where a plain conversion of
// the integer would round.
int compareIntegerWithReal(std::int64_t i, double r) {
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (r < -kTwoTo63) {
        return 1;
    }
    if (r >= kTwoTo63) {
        return -1;
    }
    const auto truncated = static_cast<std::int64_t>(r);
    if (i != truncated) {
        return i < truncated ? -1 : 1;
    }
    const double fraction = r - static_cast<double>(truncated);
    return fraction > 0 ? -1 : (fraction < 0 ? 1 : 0);
}

// Code point order, which is the byte order of the UTF-8 that SQLite compares. UTF-16 code units
// order differently where surrogates meet characters from U+E000 up.
int compareText(const QString& a, const QString& b) {
    const qsizetype n = std::min(a.size(), b.size());
    const QChar* pa = a.constData();
    const QChar* pb = b.constData();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = pa[i].unicode();
        const char16_t cb = pb[i].unicode();
        if (ca == cb) {
            continue;
        }
        const bool sa = QChar::isSurrogate(ca);
        const bool sb = QChar::isSurrogate(cb);
        if (sa != sb && (ca >= 0xE000 || cb >= 0xE000)) {
            return sa ? 1 : -1;
        }
        return ca < cb ? -1 : 1;
    }
    return threeWay(a.size(), b.size());
}

int compareBlob(const QByteArray& a, const QByteArray& b) {
    const qsizetype n = std::min(a.size(), b.size());
    if (n > 0) {
        const int c = std::memcmp(a.constData(), b.constData(), static_cast<std::size_t>(n));
        if (c != 0) {
            return c < 0 ? -1 : 1;
        }
    }
    return threeWay(a.size(), b.size());
}

}  // namespace

StoreValue StoreValue::real(double value) {
    return std::isnan(value) ? StoreValue() : StoreValue(value);
}

StoreValue StoreValue::text(const QString& value) {
    return value.isNull() ? StoreValue() : StoreValue(value);
}

StoreValue StoreValue::blob(const QByteArray& value) {
    return value.isNull() ? StoreValue() : StoreValue(value);
}

StoreValue StoreValue::date(const QDateTime& value) {
    if (!value.isValid()) {
        return {};
    }
    return StoreValue(static_cast<double>(value.toMSecsSinceEpoch()) / kMillisecondsPerSecond);
}

std::int64_t StoreValue::toInteger() const {
    if (const auto* i = std::get_if<std::int64_t>(&value_)) {
        return *i;
    }
    if (const auto* r = std::get_if<double>(&value_)) {
        return saturatingInt64(*r);
    }
    return 0;
}

double StoreValue::toReal() const {
    if (const auto* r = std::get_if<double>(&value_)) {
        return *r;
    }
    if (const auto* i = std::get_if<std::int64_t>(&value_)) {
        return static_cast<double>(*i);
    }
    return 0.0;
}

QString StoreValue::toText() const {
    if (const auto* s = std::get_if<QString>(&value_)) {
        return *s;
    }
    return {};
}

QByteArray StoreValue::toBlob() const {
    if (const auto* b = std::get_if<QByteArray>(&value_)) {
        return *b;
    }
    return {};
}

QDateTime StoreValue::toDate() const {
    if (kind() != Kind::Integer && kind() != Kind::Real) {
        return {};
    }
    const double ms = std::round(toReal() * kMillisecondsPerSecond);
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), Qt::UTC);
}

int StoreValue::compare(const StoreValue& a, const StoreValue& b) {
    const auto rank = [](Kind k) {
        switch (k) {
            case Kind::Null:
                return 0;
            case Kind::Integer:
            case Kind::Real:
                return 1;
            case Kind::Text:
                return 2;
            case Kind::Blob:
                return 3;
        }
        return 0;
    };
    const int ra = rank(a.kind());
    const int rb = rank(b.kind());
    if (ra != rb) {
        return ra < rb ? -1 : 1;
    }
    switch (a.kind()) {
        case Kind::Null:
            return 0;
        case Kind::Integer:
            if (b.kind() == Kind::Integer) {
                return threeWay(std::get<std::int64_t>(a.value_), std::get<std::int64_t>(b.value_));
            }
            return compareIntegerWithReal(std::get<std::int64_t>(a.value_),
                                          std::get<double>(b.value_));
        case Kind::Real:
            if (b.kind() == Kind::Real) {
                return threeWay(std::get<double>(a.value_), std::get<double>(b.value_));
            }
            return -compareIntegerWithReal(std::get<std::int64_t>(b.value_),
                                           std::get<double>(a.value_));
        case Kind::Text:
            return compareText(std::get<QString>(a.value_), std::get<QString>(b.value_));
        case Kind::Blob:
            return compareBlob(std::get<QByteArray>(a.value_), std::get<QByteArray>(b.value_));
    }
    return 0;
}

QString StoreValue::description() const {
    switch (kind()) {
        case Kind::Null:
            return QStringLiteral("nil");
        case Kind::Integer:
            return QString::number(std::get<std::int64_t>(value_));
        case Kind::Real:
            return QString::number(std::get<double>(value_), 'g', 17);
        case Kind::Text:
            return QLatin1Char('"') + std::get<QString>(value_) + QLatin1Char('"');
        case Kind::Blob:
            return QStringLiteral("<%1 bytes>").arg(std::get<QByteArray>(value_).size());
    }
    return {};
}

}  // namespace platform
