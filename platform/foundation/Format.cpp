#include "platform/foundation/Format.h"

#include "platform/foundation/NumberConversion.h"

#include <QtCore/QJsonDocument>

#include <cstdio>
#include <limits>

namespace platform {

namespace {

QString jsonText(const QJsonValue& value) {
    switch (value.type()) {
        case QJsonValue::Null:
        case QJsonValue::Undefined:
            return QStringLiteral("(null)");
        case QJsonValue::Bool:
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QJsonValue::Double: {
            const double d = value.toDouble();
            if (d == static_cast<double>(static_cast<std::int64_t>(d))) {
                return QString::number(static_cast<std::int64_t>(d));
            }
            return QString::number(d, 'g', 17);
        }
        case QJsonValue::String:
            return value.toString();
        case QJsonValue::Array:
            return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Indented))
                .trimmed();
        case QJsonValue::Object:
            return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Indented))
                .trimmed();
    }
    return {};
}

QString shortestNumber(double d) {
    return QString::number(d, 'g', 15);
}

}  // namespace

FormatArg::FormatArg(const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        isNull_ = true;
        return;
    }
    switch (value.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Char:
            value_ = value.toLongLong();
            break;
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
        case QMetaType::UChar:
            value_ = value.toULongLong();
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            value_ = value.toDouble();
            break;
        default:
            value_ = jsonText(QJsonValue::fromVariant(value));
            if (std::get<QString>(value_).isEmpty() && value.canConvert<QString>()) {
                value_ = value.toString();
            }
    }
}

FormatArg::FormatArg(const QJsonValue& value) {
    if (value.isDouble()) {
        value_ = value.toDouble();
    } else if (value.isBool()) {
        value_ = static_cast<std::int64_t>(value.toBool());
    } else {
        value_ = jsonText(value);
        isNull_ = value.isNull() || value.isUndefined();
    }
}

QString FormatArg::objectText() const {
    if (isNull_) {
        return QStringLiteral("(null)");
    }
    return std::visit(
        [](const auto& v) -> QString {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, QString>) {
                return v;
            } else if constexpr (std::is_same_v<V, double>) {
                return shortestNumber(v);
            } else {
                return QString::number(v);
            }
        },
        value_);
}

std::int64_t FormatArg::toInt() const {
    return std::visit(
        [](const auto& v) -> std::int64_t {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, QString>) {
                return v.toLongLong();
            } else if constexpr (std::is_same_v<V, double>) {
                return saturatingInt64(v);
            } else {
                return static_cast<std::int64_t>(v);
            }
        },
        value_);
}

std::uint64_t FormatArg::toUInt() const {
    return std::visit(
        [](const auto& v) -> std::uint64_t {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, QString>) {
                return v.toULongLong();
            } else if constexpr (std::is_same_v<V, double>) {
                // Negative numbers wrap as an integer argument of the same value would.
                constexpr double kTwoTo64 = 18446744073709551616.0;
                if (v >= kTwoTo64) {
                    return std::numeric_limits<std::uint64_t>::max();
                }
                return v >= 0 ? static_cast<std::uint64_t>(v)
                              : static_cast<std::uint64_t>(saturatingInt64(v));
            } else {
                return static_cast<std::uint64_t>(v);
            }
        },
        value_);
}

double FormatArg::toDouble() const {
    return std::visit(
        [](const auto& v) -> double {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, QString>) {
                return v.toDouble();
            } else {
                return static_cast<double>(v);
            }
        },
        value_);
}

namespace {

// Applies a width and "-" flag to text the C library does not format ("%@", "%s").
QString pad(const QString& text, const QByteArray& flags, int width) {
    if (width <= text.size()) {
        return text;
    }
    const QString fill(width - text.size(), QLatin1Char(' '));
    return flags.contains('-') ? text + fill : fill + text;
}

template <class T>
QString cFormat(const QByteArray& spec, T value) {
    char buffer[512];
    const int n = std::snprintf(buffer, sizeof buffer, spec.constData(), value);
    if (n < 0) {
        return {};
    }
    if (static_cast<std::size_t>(n) < sizeof buffer) {
        return QString::fromUtf8(buffer, n);
    }
    QByteArray big(n + 1, '\0');
    std::snprintf(big.data(), static_cast<std::size_t>(big.size()), spec.constData(), value);
    return QString::fromUtf8(big.constData(), n);
}

}  // namespace

QString formatList(QStringView format, std::initializer_list<FormatArg> args) {
    QString out;
    out.reserve(format.size() + 16 * static_cast<qsizetype>(args.size()));
    auto next = args.begin();
    auto take = [&]() -> const FormatArg* { return next == args.end() ? nullptr : &*next++; };

    const qsizetype n = format.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            const qsizetype start = i;
            while (i < n && format[i] != QLatin1Char('%')) {
                ++i;
            }
            out += format.sliced(start, i - start);
            continue;
        }
        ++i;
        if (i >= n) {
            break;
        }
        if (format[i] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }

        QByteArray flags;
        while (i < n && QStringLiteral("-+ 0#").contains(format[i])) {
            flags += static_cast<char>(format[i].unicode());
            ++i;
        }
        int width = -1;
        if (i < n && format[i] == QLatin1Char('*')) {
            const FormatArg* w = take();
            width = w ? static_cast<int>(w->toInt()) : 0;
            if (width < 0) {
                flags += '-';
                width = -width;
            }
            ++i;
        } else {
            while (i < n && format[i].isDigit()) {
                width = std::max(width, 0) * 10 + format[i].digitValue();
                ++i;
            }
        }
        int precision = -1;
        if (i < n && format[i] == QLatin1Char('.')) {
            ++i;
            precision = 0;
            if (i < n && format[i] == QLatin1Char('*')) {
                const FormatArg* p = take();
                precision = p ? std::max(0, static_cast<int>(p->toInt())) : 0;
                ++i;
            } else {
                while (i < n && format[i].isDigit()) {
                    precision = precision * 10 + format[i].digitValue();
                    ++i;
                }
            }
        }
        // Length modifiers change nothing: every integer argument is already 64 bits wide.
        while (i < n && QStringLiteral("hlqLzjt").contains(format[i])) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        const char conversion = static_cast<char>(format[i].unicode());
        ++i;

        QByteArray spec = "%" + flags;
        if (width >= 0) {
            spec += QByteArray::number(width);
        }
        if (precision >= 0) {
            spec += '.' + QByteArray::number(precision);
        }

        const FormatArg* arg = take();
        switch (conversion) {
            case '@':
            case 's':
            case 'S': {
                QString text = arg ? arg->objectText() : QString();
                if (precision >= 0 && text.size() > precision) {
                    text.truncate(precision);
                }
                out += pad(text, flags, width);
                break;
            }
            case 'd':
            case 'i':
                out += cFormat(spec + "lld", static_cast<long long>(arg ? arg->toInt() : 0));
                break;
            case 'u':
            case 'x':
            case 'X':
            case 'o':
                out += cFormat(spec + "ll" + QByteArray(1, conversion),
                               static_cast<unsigned long long>(arg ? arg->toUInt() : 0));
                break;
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G':
            case 'a':
            case 'A':
                out += cFormat(spec + QByteArray(1, conversion), arg ? arg->toDouble() : 0.0);
                break;
            case 'c':
            case 'C':
                out += pad(QString(QChar(static_cast<char16_t>(arg ? arg->toInt() : 0))), flags,
                           width);
                break;
            case 'p':
                out += cFormat(spec + "llx", static_cast<unsigned long long>(arg ? arg->toUInt() : 0))
                           .prepend(QStringLiteral("0x"));
                break;
            default:
                // An unknown conversion is printed as written.
                out += QLatin1Char('%');
                out += QLatin1Char(conversion);
                break;
        }
    }
    return out;
}

}  // namespace platform
