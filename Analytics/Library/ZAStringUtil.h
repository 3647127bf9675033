#pragma once

#include <QtCore/QMap>
#include <QtCore/QString>

#include <cstdint>
#include <optional>

// Number texts and URL parameter encoding for hits. Class operations only.
class ZAStringUtil {
public:
    ZAStringUtil() = delete;

    static QString trim(const QString& text);
    static QString intString(std::int64_t value);
    static QString uintString(std::uint64_t value);
    // "%.*f", then trailing zeros after the point removed (and the point when nothing follows it).
    static QString decimalString(double value, int decimals);
    // An amount in millionths as a decimal text: 2000000 -> "2", -1500000 -> "-1.5", 250000 ->
    // ".25".
    static QString currencyMicrosString(std::int64_t micros);
    // UTF-8 percent-encoding for form fields: a space becomes "+", every character but letters,
    // digits and "-._~'" an escape with upper-case digits.
    static QString percentEncode(const QString& text);
    // "+" as a space, then percent escapes as UTF-8.
    static QString percentDecode(const QString& text);
    static QString stripLeadingAmpersand(const QString& text);
    // The text after the first "?"; empty without one.
    static QString urlParams(const QString& url);
    // Pairs split on "&"; a piece without "=" is a key with an empty value; a later key wins.
    static QMap<QString, QString> decodeParametersFromQuery(const QString& query);
    // None when the text is not a URL.
    static std::optional<QMap<QString, QString>> decodeParametersFromUrl(const QString& url);
};
