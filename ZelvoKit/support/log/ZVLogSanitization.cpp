#include "ZelvoKit/support/log/ZVLogSanitization.h"

#include "ZelvoKit/support/base/ZVJsonParser.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QRegularExpression>
#include <QtCore/QStringList>

#include <optional>

namespace {

// Shorter strings are shown as asterisks of their length; longer ones only by their length.
constexpr qsizetype LongValueLength = 20;

QString maskedString(qsizetype length) {
    if (length < LongValueLength) {
        return QString(length, QLatin1Char('*'));
    }
    return QStringLiteral("*%1*").arg(length);
}

QString maskedValue(const QJsonValue& value) {
    return value.isString() ? maskedString(value.toString().size())
                            : ZVJsonParser::className(value);
}

QJsonValue sanitizeAny(const QJsonValue& value, bool& changed);

QJsonObject sanitizeDictionary(const QJsonObject& object, bool& changed) {
    const QSet<QString>& keys = ZVLogSanitization::sanitizeValues();
    std::optional<QJsonObject> copy;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (keys.contains(it.key())) {
            if (!copy) {
                copy = object;
            }
            copy->insert(it.key(), maskedValue(it.value()));
            continue;
        }
        if (!it.value().isObject() && !it.value().isArray()) {
            continue;
        }
        bool inner = false;
        QJsonValue result = sanitizeAny(it.value(), inner);
        if (inner) {
            if (!copy) {
                copy = object;
            }
            copy->insert(it.key(), result);
        }
    }
    changed = copy.has_value();
    return copy ? *copy : object;
}

QJsonArray sanitizeList(const QJsonArray& array, bool& changed) {
    std::optional<QJsonArray> copy;
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonValue element = array.at(i);
        if (!element.isObject() && !element.isArray()) {
            continue;
        }
        bool inner = false;
        QJsonValue result = sanitizeAny(element, inner);
        if (inner) {
            if (!copy) {
                copy = array;
            }
            copy->replace(i, result);
        }
    }
    changed = copy.has_value();
    return copy ? *copy : array;
}

QJsonValue sanitizeAny(const QJsonValue& value, bool& changed) {
    if (value.isObject()) {
        return sanitizeDictionary(value.toObject(), changed);
    }
    if (value.isArray()) {
        return sanitizeList(value.toArray(), changed);
    }
    changed = false;
    return value;
}

// "key": "string value" (possibly cut off) or "key": bare-value, in text that is not whole JSON.
const QRegularExpression& sanitizedPairPattern() {
    static const QRegularExpression pattern([] {
        QStringList keys;
        for (const QString& key : ZVLogSanitization::sanitizeValues()) {
            keys.append(QRegularExpression::escape(key));
        }
        keys.sort();
        return QStringLiteral(R"re("(%1)"(\s*:\s*)(?:"((?:[^"\\]|\\.)*)("?)|([^,}\]\s]+)))re")
            .arg(keys.join(QLatin1Char('|')));
    }());
    return pattern;
}

QString maskPairsInText(const QString& text) {
    QString result;
    qsizetype copied = 0;
    auto matches = sanitizedPairPattern().globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        result += QStringView(text).mid(copied, match.capturedStart() - copied);
        result += QLatin1Char('"') + match.captured(1) + QLatin1Char('"') + match.captured(2);
        if (match.capturedStart(3) >= 0) {
            result += QLatin1Char('"') + maskedString(match.capturedLength(3)) + match.captured(4);
        } else {
            const QByteArray token = QByteArrayLiteral("[") + match.captured(5).toUtf8() + "]";
            const QJsonArray parsed = QJsonDocument::fromJson(token).array();
            result += QLatin1Char('"') + ZVJsonParser::className(parsed.at(0)) + QLatin1Char('"');
        }
        copied = match.capturedEnd();
    }
    if (copied == 0) {
        return text;
    }
    result += QStringView(text).mid(copied);
    return result;
}

// The query of a URL inside free text: from "?" up to a space, a quote or a fragment.
const QRegularExpression& queryPattern() {
    static const QRegularExpression pattern(QStringLiteral(R"re(\?([^\s"'<>#]*))re"));
    return pattern;
}

bool isTicketParameter(const QString& item) {
    const QString name = item.section(QLatin1Char('='), 0, 0);
    return QUrl::fromPercentEncoding(name.toUtf8())
               .compare(QLatin1String("ticket"), Qt::CaseInsensitive) == 0;
}

// The query's parameters other than "ticket", in their order and encoding.
QString withoutTicket(const QString& query) {
    const QStringList items = query.split(QLatin1Char('&'), Qt::KeepEmptyParts);
    QStringList kept;
    kept.reserve(items.size());
    for (const QString& item : items) {
        if (!isTicketParameter(item)) {
            kept.append(item);
        }
    }
    return kept.size() == items.size() ? query : kept.join(QLatin1Char('&'));
}

}  // namespace

const QSet<QString>& ZVLogSanitization::sanitizeValues() {
    // "token_ids" holds the cookies of every signed-in account; a "notification_id" signs its
    // account in as a password would.
    static const QSet<QString> keys{
        QStringLiteral("password"),       QStringLiteral("old_password"),
        QStringLiteral("ticket"),         QStringLiteral("token_ids"),
        QStringLiteral("message"),        QStringLiteral("cleaned_html"),
        QStringLiteral("notification_id")};
    return keys;
}

QJsonValue ZVLogSanitization::sanitizeObject(const QJsonValue& value, bool* changed) {
    bool didChange = false;
    QJsonValue result = sanitizeAny(value, didChange);
    if (changed) {
        *changed = didChange;
    }
    return result;
}

QJsonObject ZVLogSanitization::sanitizeObject(const QJsonObject& object, bool* changed) {
    bool didChange = false;
    QJsonObject result = sanitizeDictionary(object, didChange);
    if (changed) {
        *changed = didChange;
    }
    return result;
}

QJsonArray ZVLogSanitization::sanitizeObject(const QJsonArray& array, bool* changed) {
    bool didChange = false;
    QJsonArray result = sanitizeList(array, didChange);
    if (changed) {
        *changed = didChange;
    }
    return result;
}

void ZVLogSanitization::sanitizeValue(const QString& key, QJsonObject& dictionary) {
    const auto found = dictionary.find(key);
    if (found != dictionary.end()) {
        *found = maskedValue(*found);
    }
}

QString ZVLogSanitization::sanitizeJsonText(const QString& body) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body.toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return maskPairsInText(body);
    }
    bool changed = false;
    QJsonDocument sanitized;
    if (document.isObject()) {
        sanitized = QJsonDocument(sanitizeObject(document.object(), &changed));
    } else {
        sanitized = QJsonDocument(sanitizeObject(document.array(), &changed));
    }
    return changed ? QString::fromUtf8(sanitized.toJson(QJsonDocument::Compact)) : body;
}

QString ZVLogSanitization::sanitizeJsonText(const QByteArray& body) {
    return sanitizeJsonText(QString::fromUtf8(body));
}

QString ZVLogSanitization::sanitizeUrl(const QUrl& url) {
    QUrl result = url;
    if (url.hasQuery()) {
        const QString query = url.query(QUrl::FullyEncoded);
        const QString kept = withoutTicket(query);
        if (kept.size() != query.size()) {
            result.setQuery(kept.isEmpty() ? QString() : kept, QUrl::StrictMode);
        }
    }
    return result.toString(QUrl::RemovePassword);
}

QString ZVLogSanitization::sanitizeUrlsInText(const QString& text) {
    if (!text.contains(QLatin1String("ticket"), Qt::CaseInsensitive)) {
        return text;
    }
    QString result;
    qsizetype copied = 0;
    auto matches = queryPattern().globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const QString query = match.captured(1);
        const QString kept = withoutTicket(query);
        if (kept.size() == query.size()) {
            continue;
        }
        result += QStringView(text).mid(copied, match.capturedStart() - copied);
        if (!kept.isEmpty()) {
            result += QLatin1Char('?') + kept;
        }
        copied = match.capturedEnd();
    }
    if (copied == 0) {
        return text;
    }
    result += QStringView(text).mid(copied);
    return result;
}
