#include "ZelvoKit/support/base/ZVJsonParser.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"

#include "platform/foundation/NumberConversion.h"
#include "platform/foundation/SystemLog.h"

#include <QtCore/QJsonDocument>

#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/parsepos.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cmath>
#include <limits>

namespace {

constexpr char16_t IsoDatePattern[] = u"yyyy-MM-dd HH:mm:ss.SSSSSZ";
// The platform's own failures carry no codes of the system; one number per kind is enough.
constexpr int UnparsableDateCode = 1;
constexpr int InvalidPatternCode = 1;

using JsonClass = ZVJsonParser::JsonClass;

bool hasClass(const QJsonValue& value, JsonClass requireClass) {
    switch (requireClass) {
        case JsonClass::Any:
            return true;
        case JsonClass::String:
            return value.isString();
        case JsonClass::Number:
            return value.isDouble() || value.isBool();
        case JsonClass::Array:
            return value.isArray();
        case JsonClass::Dictionary:
            return value.isObject();
    }
    return false;
}

// Whole integers keep all 64 bits; fractions are dropped towards zero; out-of-range values clamp.
std::int64_t toInt64(const QJsonValue& value) {
    if (value.isBool()) {
        return value.toBool() ? 1 : 0;
    }
    constexpr std::int64_t notWhole = std::numeric_limits<std::int64_t>::min();
    const std::int64_t whole = value.toInteger(notWhole);
    if (whole != notWhole) {
        return whole;
    }
    return platform::saturatingInt64(value.toDouble());
}

double toDouble(const QJsonValue& value) {
    if (value.isBool()) {
        return value.toBool() ? 1.0 : 0.0;
    }
    return value.toDouble();
}

// The integer value of the text after "[": optional blanks and sign, then leading digits; anything
// else counts as 0. Saturates rather than overflowing.
std::int64_t parseIndex(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    constexpr std::int64_t saturated = std::numeric_limits<std::int32_t>::max();
    std::int64_t result = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        result = std::min(saturated, result * 10 + (text[i].unicode() - u'0'));
    }
    return negative ? -result : result;
}

QJsonValue lookUp(const QJsonValue& container, QStringView key) {
    if (!container.isObject()) {
        return QJsonValue(QJsonValue::Undefined);
    }
    return container.toObject().value(key);
}

// ICU formatters are not safe to share between threads: one per thread, made on first use.
icu::SimpleDateFormat* isoDateFormat() {
    thread_local std::unique_ptr<icu::SimpleDateFormat> format;
    thread_local bool tried = false;
    if (!tried) {
        tried = true;
        UErrorCode status = U_ZERO_ERROR;
        const icu::Locale posix("en_US_POSIX");
        auto made = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString(IsoDatePattern),
                                                            posix, status);
        // The Gregorian calendar whatever the device's calendar is.
        auto* calendar = new icu::GregorianCalendar(icu::TimeZone::createDefault(), posix, status);
        made->adoptCalendar(calendar);
        made->setLenient(false);
        if (U_SUCCESS(status)) {
            format = std::move(made);
        }
    }
    return format.get();
}

}  // namespace

ZVJsonParser ZVJsonParser::jsonParserForData(const QByteArray& data) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    ZVJsonParser parser;
    if (parseError.error != QJsonParseError::NoError) {
        parser.error_ = ZVError::errorWithDomain(
            QString(ZVError::JsonReadingDomain), parseError.error,
            QJsonObject{{ZVError::LocalizedDescriptionKey, parseError.errorString()},
                        {QStringLiteral("offset"), parseError.offset}});
        return parser;
    }
    if (document.isObject()) {
        parser.values_ = document.object();
    } else {
        parser.values_ = document.array();
    }
    return parser;
}

ZVJsonParser ZVJsonParser::jsonParserForString(const QString& text) {
    return jsonParserForData(text.toUtf8());
}

ZVJsonParser ZVJsonParser::jsonParserForObject(const QJsonValue& object) {
    return ZVJsonParser(object);
}

ZVJsonParser::ZVJsonParser(const QJsonValue& values) : values_(values) {}

QJsonValue ZVJsonParser::extractValue(QStringView path, bool requirePresent,
                                      JsonClass requireClass) {
    if (path.isNull()) {
        return values_;
    }
    const QJsonValue none(QJsonValue::Undefined);
    QJsonValue current = values_;
    qsizetype start = 0;
    while (true) {
        const qsizetype slash = path.indexOf(u'/', start);
        const bool last = slash < 0;
        const QStringView component = last ? path.mid(start) : path.mid(start, slash - start);
        const qsizetype bracket = component.indexOf(u'[');
        if (bracket < 0) {
            QJsonValue value = validate(lookUp(current, component), component, requirePresent,
                                        last ? requireClass : JsonClass::Dictionary);
            if (last || value.isUndefined()) {
                return value;
            }
            current = std::move(value);
        } else {
            if (!component.endsWith(u']')) {
                ZVLogError(u"Invalid JSON expression: %@", path.toString());
            }
            const QStringView name = component.left(bracket);
            const std::int64_t index = parseIndex(component.mid(bracket + 1));
            const QJsonValue list =
                validate(lookUp(current, name), name, requirePresent, JsonClass::Array);
            if (list.isUndefined()) {
                return none;
            }
            const QJsonArray array = list.toArray();
            if (index < 0 || index >= array.size()) {
                if (requirePresent) {
                    record(ZVError::MissingValue, QJsonObject{{ZVError::KeyKey, path.toString()}});
                }
                return none;
            }
            // An element on the way to a deeper value must be there, even for an optional read.
            QJsonValue element = validate(array.at(index), path, last ? requirePresent : true,
                                          last ? requireClass : JsonClass::Dictionary);
            if (last || element.isUndefined()) {
                return element;
            }
            current = std::move(element);
        }
        start = slash + 1;
    }
}

QJsonValue ZVJsonParser::validate(const QJsonValue& value, QStringView key, bool required,
                                  JsonClass requireClass) {
    if (value.isUndefined() || value.isNull()) {
        if (required) {
            record(ZVError::MissingValue, QJsonObject{{ZVError::KeyKey, key.toString()}});
        }
        return QJsonValue(QJsonValue::Undefined);
    }
    if (!hasClass(value, requireClass)) {
        record(ZVError::WrongValueClass, QJsonObject{{ZVError::KeyKey, key.toString()},
                                                     {ZVError::ClassKey, className(value)}});
        return QJsonValue(QJsonValue::Undefined);
    }
    return value;
}

void ZVJsonParser::record(int code, QJsonObject userInfo) {
    if (error_) {
        return;
    }
    userInfo.insert(ZVError::DataKey, description());
    error_ = ZVError::errorWithCode(code, std::move(userInfo));
}

void ZVJsonParser::replaceError(ZVErrorPtr error) {
    error_ = std::move(error);
}

void ZVJsonParser::recordUnknownEnumValue(QStringView path, const QString& value) {
    record(ZVError::UnknownEnumValue,
           QJsonObject{{ZVError::KeyKey, path.toString()}, {ZVError::ValueKey, value}});
}

void ZVJsonParser::logUnknownEnumValue(QStringView path, const QString& value) {
    platform::systemLogFormat(u"JsonParser::ExtractEnum: Unknown value '%@' for key '%@'", value,
                              path.toString());
}

bool ZVJsonParser::containsValue(QStringView path) {
    return !extractValue(path, false, JsonClass::Any).isUndefined();
}

void ZVJsonParser::enumerateKeys(const std::function<void(const QString& key)>& block) const {
    if (!values_.isObject()) {
        return;
    }
    const QJsonObject object = values_.toObject();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        block(it.key());
    }
}

QString ZVJsonParser::description() const {
    if (values_.isObject()) {
        return QString::fromUtf8(QJsonDocument(values_.toObject()).toJson(QJsonDocument::Indented));
    }
    if (values_.isArray()) {
        return QString::fromUtf8(QJsonDocument(values_.toArray()).toJson(QJsonDocument::Indented));
    }
    if (values_.isUndefined()) {
        return QStringLiteral("(null)");
    }
    // A lone value: its JSON text, without the array written around it.
    const QByteArray text = QJsonDocument(QJsonArray{values_}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

QString ZVJsonParser::extractString(QStringView path) {
    const QJsonValue value = extractValue(path, true, JsonClass::String);
    return value.isUndefined() ? QString() : value.toString();
}

QString ZVJsonParser::extractString(QStringView path, const QString& defaultValue) {
    const QJsonValue value = extractValue(path, false, JsonClass::String);
    return value.isUndefined() ? defaultValue : value.toString();
}

std::optional<std::int64_t> ZVJsonParser::extractInt(QStringView path) {
    const QJsonValue value = extractValue(path, true, JsonClass::Number);
    if (value.isUndefined()) {
        return std::nullopt;
    }
    return toInt64(value);
}

std::int64_t ZVJsonParser::extractInt(QStringView path, std::int64_t defaultValue) {
    const QJsonValue value = extractValue(path, false, JsonClass::Number);
    return value.isUndefined() ? defaultValue : toInt64(value);
}

std::optional<double> ZVJsonParser::extractFloat(QStringView path) {
    const QJsonValue value = extractValue(path, true, JsonClass::Number);
    if (value.isUndefined()) {
        return std::nullopt;
    }
    return toDouble(value);
}

double ZVJsonParser::extractFloat(QStringView path, double defaultValue) {
    const QJsonValue value = extractValue(path, false, JsonClass::Number);
    return value.isUndefined() ? defaultValue : toDouble(value);
}

std::optional<bool> ZVJsonParser::extractBool(QStringView path) {
    const QJsonValue value = extractValue(path, true, JsonClass::Number);
    if (value.isUndefined()) {
        return std::nullopt;
    }
    return toDouble(value) != 0.0;
}

bool ZVJsonParser::extractBool(QStringView path, bool defaultValue) {
    const QJsonValue value = extractValue(path, false, JsonClass::Number);
    return value.isUndefined() ? defaultValue : toDouble(value) != 0.0;
}

QDateTime ZVJsonParser::extractDate(QStringView path) {
    const QJsonValue value = extractValue(path, true, JsonClass::Number);
    if (value.isUndefined()) {
        return QDateTime();
    }
    return QDateTime::fromSecsSinceEpoch(toInt64(value), Qt::UTC);
}

QDateTime ZVJsonParser::extractDate(QStringView path, const QDateTime& defaultValue) {
    const QJsonValue value = extractValue(path, false, JsonClass::Number);
    if (value.isUndefined()) {
        return defaultValue;
    }
    return QDateTime::fromSecsSinceEpoch(toInt64(value), Qt::UTC);
}

QDateTime ZVJsonParser::extractISOEncodedDate(QStringView path) {
    const QString text = extractString(path);
    return text.isNull() ? QDateTime() : parseISODate(text);
}

QDateTime ZVJsonParser::extractISOEncodedDate(QStringView path, const QDateTime& defaultValue) {
    const QString text = extractString(path, QString());
    return text.isNull() ? defaultValue : parseISODate(text);
}

QDateTime ZVJsonParser::parseISODate(const QString& text) {
    ZVErrorPtr failure;
    QDateTime date = dateFromISOEncodedDate(text, &failure);
    if (failure) {
        replaceError(std::move(failure));
    }
    return date;
}

QDateTime ZVJsonParser::dateFromISOEncodedDate(const QString& text, ZVErrorPtr* error) {
    icu::SimpleDateFormat* format = isoDateFormat();
    if (format) {
        const icu::UnicodeString unicode(reinterpret_cast<const char16_t*>(text.utf16()),
                                         static_cast<int32_t>(text.size()));
        icu::ParsePosition position(0);
        const UDate milliseconds = format->parse(unicode, position);
        // The whole text must be the timestamp, not just its beginning.
        if (position.getErrorIndex() < 0 && position.getIndex() == unicode.length()) {
            return QDateTime::fromMSecsSinceEpoch(std::llround(milliseconds), Qt::UTC);
        }
    }
    if (error) {
        *error = ZVError::errorWithDomain(
            QString(ZVError::DateFormattingDomain), UnparsableDateCode,
            QJsonObject{{ZVError::LocalizedDescriptionKey,
                         QStringLiteral("The date text \"%1\" is not in the form %2.")
                             .arg(text, QString::fromUtf16(IsoDatePattern))},
                        {ZVError::ValueKey, text}});
    }
    return QDateTime();
}

QJsonValue ZVJsonParser::extractObject(QStringView path, JsonClass requireClass) {
    return extractValue(path, true, requireClass);
}

QJsonValue ZVJsonParser::extractObject(QStringView path, JsonClass requireClass,
                                       const QJsonValue& defaultValue) {
    const QJsonValue value = extractValue(path, false, requireClass);
    return value.isUndefined() ? defaultValue : value;
}

std::optional<QRegularExpression> ZVJsonParser::extractRegex(QStringView path) {
    const QString pattern = extractString(path);
    if (pattern.isNull()) {
        return std::nullopt;
    }
    return compile(pattern, QRegularExpression::MultilineOption);
}

std::optional<QRegularExpression> ZVJsonParser::extractRegex(QStringView path,
                                                             const QString& defaultPattern) {
    const QString pattern = extractString(path, defaultPattern);
    if (pattern.isNull()) {
        return std::nullopt;
    }
    return compile(pattern, QRegularExpression::NoPatternOption);
}

std::optional<QRegularExpression> ZVJsonParser::compile(
    const QString& pattern, QRegularExpression::PatternOptions options) {
    QRegularExpression expression(pattern, options);
    if (!expression.isValid()) {
        replaceError(ZVError::errorWithDomain(
            QString(ZVError::RegularExpressionDomain), InvalidPatternCode,
            QJsonObject{{ZVError::LocalizedDescriptionKey, expression.errorString()},
                        {ZVError::ValueKey, pattern},
                        {QStringLiteral("offset"), expression.patternErrorOffset()}}));
        return std::nullopt;
    }
    return expression;
}

QString ZVJsonParser::className(const QJsonValue& value) {
    switch (value.type()) {
        case QJsonValue::Bool:
            return QStringLiteral("Boolean");
        case QJsonValue::Double:
            return QStringLiteral("Number");
        case QJsonValue::String:
            return QStringLiteral("String");
        case QJsonValue::Array:
            return QStringLiteral("Array");
        case QJsonValue::Object:
            return QStringLiteral("Dictionary");
        case QJsonValue::Null:
        case QJsonValue::Undefined:
            break;
    }
    return QStringLiteral("Null");
}
