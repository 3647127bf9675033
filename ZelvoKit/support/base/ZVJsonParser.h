#pragma once

#include "ZelvoKit/support/base/ZVError.h"

#include <QtCore/QByteArray>
#include <QtCore/QDateTime>
#include <QtCore/QHash>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QJsonValue>
#include <QtCore/QRegularExpression>
#include <QtCore/QString>
#include <QtCore/QStringView>

#include <cstdint>
#include <functional>
#include <optional>

// Reads values out of one decoded JSON document by key path ("header/conversation_id",
// "files[0]/upload_url"), one typed extractor per kind of value.
//
// Extractors never throw: a missing or mistyped value gives nothing (required forms) or the
// caller's default (optional forms), and the first failure is kept in error() for the caller to
// inspect once after a batch. Parse, date and regular-expression failures replace it.
//
// Sub-documents are shared with the document they come from, never copied, so a reader per stream
// record costs little. JSON true and false are numbers here, and numbers are booleans.
//
// One thread at a time per reader.
class ZVJsonParser {
public:
    // The class a value must have. Number accepts true and false.
    enum class JsonClass { Any, String, Number, Array, Dictionary };

    static ZVJsonParser jsonParserForData(const QByteArray& data);
    static ZVJsonParser jsonParserForString(const QString& text);
    static ZVJsonParser jsonParserForObject(const QJsonValue& object);

    ZVJsonParser() = default;
    explicit ZVJsonParser(const QJsonValue& values);
    explicit ZVJsonParser(const QJsonObject& values) : ZVJsonParser(QJsonValue(values)) {}

    // The document; undefined when the data did not parse.
    const QJsonValue& values() const { return values_; }
    const ZVErrorPtr& error() const { return error_; }

    // The value at `path` (a null path: the whole document), or undefined. JSON null counts as
    // absent. Paths look into dictionaries only: over an array or a lone value a key finds nothing.
    QJsonValue extractValue(QStringView path, bool requirePresent, JsonClass requireClass);
    // Whether a non-null value is at `path`.
    bool containsValue(QStringView path);
    // Each key of the root dictionary, in the dictionary's order.
    void enumerateKeys(const std::function<void(const QString& key)>& block) const;
    // The whole document as pretty-printed JSON.
    QString description() const;

    // A null string when absent or mistyped.
    QString extractString(QStringView path);
    QString extractString(QStringView path, const QString& defaultValue);

    // Fractions are dropped, towards zero.
    std::optional<std::int64_t> extractInt(QStringView path);
    std::int64_t extractInt(QStringView path, std::int64_t defaultValue);
    std::optional<double> extractFloat(QStringView path);
    double extractFloat(QStringView path, double defaultValue);
    // Non-zero numbers are true.
    std::optional<bool> extractBool(QStringView path);
    bool extractBool(QStringView path, bool defaultValue);

    // The map's value for the string at `path`. A string the map lacks records an error in the
    // required form; the optional form logs it and gives the default.
    template <class T>
    std::optional<T> extractEnum(QStringView path, const QHash<QString, T>& valueMap) {
        const QString text = extractString(path);
        if (text.isNull()) {
            return std::nullopt;
        }
        const auto found = valueMap.constFind(text);
        if (found == valueMap.cend()) {
            recordUnknownEnumValue(path, text);
            return std::nullopt;
        }
        return *found;
    }
    template <class T>
    T extractEnum(QStringView path, const QHash<QString, T>& valueMap, const T& defaultValue) {
        const QString text = extractString(path, QString());
        if (text.isNull()) {
            return defaultValue;
        }
        const auto found = valueMap.constFind(text);
        if (found == valueMap.cend()) {
            logUnknownEnumValue(path, text);
            return defaultValue;
        }
        return *found;
    }

    // Whole seconds since 1 January 1970 UTC; an invalid date when absent or mistyped.
    QDateTime extractDate(QStringView path);
    QDateTime extractDate(QStringView path, const QDateTime& defaultValue);
    // Text in the form "yyyy-MM-dd HH:mm:ss.SSSSSZ".
    QDateTime extractISOEncodedDate(QStringView path);
    QDateTime extractISOEncodedDate(QStringView path, const QDateTime& defaultValue);
    // Parses the timestamp form, whatever the device's locale and calendar; an invalid date when
    // the text does not match, with the reason in `error` when given.
    static QDateTime dateFromISOEncodedDate(const QString& text, ZVErrorPtr* error = nullptr);

    // Undefined when absent or mistyped (required form).
    QJsonValue extractObject(QStringView path, JsonClass requireClass);
    QJsonValue extractObject(QStringView path, JsonClass requireClass,
                             const QJsonValue& defaultValue);

    // Compiled with "^" and "$" matching at line breaks.
    std::optional<QRegularExpression> extractRegex(QStringView path);
    // Compiled with no options, from the value or, when absent, from `defaultPattern` (nothing
    // when that is null too).
    std::optional<QRegularExpression> extractRegex(QStringView path, const QString& defaultPattern);

    // The name of a value's class, as failures and masked log values name it.
    static QString className(const QJsonValue& value);

private:
    QJsonValue validate(const QJsonValue& value, QStringView key, bool required,
                        JsonClass requireClass);
    void record(int code, QJsonObject userInfo);
    void replaceError(ZVErrorPtr error);
    void recordUnknownEnumValue(QStringView path, const QString& value);
    static void logUnknownEnumValue(QStringView path, const QString& value);
    QDateTime parseISODate(const QString& text);
    std::optional<QRegularExpression> compile(const QString& pattern,
                                              QRegularExpression::PatternOptions options);

    QJsonValue values_ = QJsonValue(QJsonValue::Undefined);
    ZVErrorPtr error_;
};
