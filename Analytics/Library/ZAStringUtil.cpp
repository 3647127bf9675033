#include "Analytics/Library/ZAStringUtil.h"

#include <QtCore/QUrl>

#include <cstdlib>

namespace {

constexpr std::int64_t kMicrosPerUnit = 1000000;

QString withoutTrailingZeros(QString text) {
    while (text.endsWith(QLatin1Char('0'))) {
        text.chop(1);
    }
    return text;
}

bool isKeptUnescaped(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '\'';
}

}  // namespace

QString ZAStringUtil::trim(const QString& text) {
    return text.trimmed();
}

QString ZAStringUtil::intString(std::int64_t value) {
    return QString::number(value);
}

QString ZAStringUtil::uintString(std::uint64_t value) {
    return QString::number(value);
}

QString ZAStringUtil::decimalString(double value, int decimals) {
    QString text = QString::asprintf("%.*f", decimals, value);
    if (!text.contains(QLatin1Char('.'))) {
        return text;
    }
    text = withoutTrailingZeros(text);
    if (text.endsWith(QLatin1Char('.'))) {
        text.chop(1);
    }
    return text;
}

QString ZAStringUtil::currencyMicrosString(std::int64_t micros) {
    const char* sign = micros < 0 ? "-" : "";
    // Through unsigned, so that the most negative amount has an absolute value too.
    const std::uint64_t magnitude =
        micros < 0 ? 0 - static_cast<std::uint64_t>(micros) : static_cast<std::uint64_t>(micros);
    const auto whole = static_cast<unsigned long long>(magnitude / kMicrosPerUnit);
    const auto fraction = static_cast<int>(magnitude % kMicrosPerUnit);
    if (fraction == 0) {
        return QString::asprintf("%s%llu", sign, whole);
    }
    const QString fractionText = withoutTrailingZeros(QString::asprintf("%06d", fraction));
    if (whole == 0) {
        return QString::asprintf("%s.", sign) + fractionText;
    }
    return QString::asprintf("%s%llu.", sign, whole) + fractionText;
}

QString ZAStringUtil::percentEncode(const QString& text) {
    static const char kHex[] = "0123456789ABCDEF";
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() * 3);
    for (const char c : utf8) {
        if (c == ' ') {
            out.append('+');
        } else if (isKeptUnescaped(c)) {
            out.append(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out.append('%');
            out.append(kHex[byte >> 4]);
            out.append(kHex[byte & 0xF]);
        }
    }
    return QString::fromLatin1(out);
}

QString ZAStringUtil::percentDecode(const QString& text) {
    QByteArray bytes = text.toUtf8();
    bytes.replace('+', ' ');
    return QString::fromUtf8(QByteArray::fromPercentEncoding(bytes));
}

QString ZAStringUtil::stripLeadingAmpersand(const QString& text) {
    return text.startsWith(QLatin1Char('&')) ? text.mid(1) : text;
}

QString ZAStringUtil::urlParams(const QString& url) {
    const qsizetype mark = url.indexOf(QLatin1Char('?'));
    if (mark < 0) {
        return QString(QLatin1String(""));
    }
    return url.mid(mark + 1);
}

QMap<QString, QString> ZAStringUtil::decodeParametersFromQuery(const QString& query) {
    QMap<QString, QString> result;
    const QStringList pieces = query.split(QLatin1Char('&'));
    for (const QString& piece : pieces) {
        const qsizetype equals = piece.indexOf(QLatin1Char('='));
        if (equals < 0) {
            result.insert(percentDecode(piece), QString(QLatin1String("")));
        } else {
            result.insert(percentDecode(piece.left(equals)), percentDecode(piece.mid(equals + 1)));
        }
    }
    return result;
}

std::optional<QMap<QString, QString>> ZAStringUtil::decodeParametersFromUrl(const QString& url) {
    const QUrl parsed(url, QUrl::StrictMode);
    if (url.isEmpty() || !parsed.isValid()) {
        return std::nullopt;
    }
    const QString query = parsed.query(QUrl::FullyEncoded);
    if (query.isEmpty()) {
        return QMap<QString, QString>();
    }
    return decodeParametersFromQuery(query);
}
