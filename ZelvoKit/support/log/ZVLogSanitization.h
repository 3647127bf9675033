#pragma once

#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QJsonValue>
#include <QtCore/QSet>
#include <QtCore/QString>
#include <QtCore/QUrl>

// Masks secrets (passwords, tickets, message texts) in what is about to be written to the log.
class ZVLogSanitization {
public:
    // The keys whose values are masked: "password", "old_password", "ticket", "token_ids",
    // "message", "cleaned_html".
    static const QSet<QString>& sanitizeValues();

    // The value with every sanitised key masked at every depth. Containers are copied only where
    // something changes; `changed`, when given, tells whether anything did.
    static QJsonValue sanitizeObject(const QJsonValue& value, bool* changed = nullptr);
    static QJsonObject sanitizeObject(const QJsonObject& object, bool* changed = nullptr);
    static QJsonArray sanitizeObject(const QJsonArray& array, bool* changed = nullptr);

    // Masks the value under `key` in place: a string shorter than 20 characters becomes as many
    // "*", a longer one "*<length>*", any other value the name of its class.
    static void sanitizeValue(const QString& key, QJsonObject& dictionary);

    // A body (an answer, a request) about to be logged: JSON is masked and written back compactly;
    // text that does not parse has the string values of the sanitised keys masked where they
    // appear as "key": "value". Returned unchanged when nothing is masked.
    static QString sanitizeJsonText(const QString& body);
    static QString sanitizeJsonText(const QByteArray& body);

    // The URL without its "ticket" query parameters and without a password.
    static QString sanitizeUrl(const QUrl& url);
    // Free text (an error description) with "ticket" query parameters of URLs in it removed.
    static QString sanitizeUrlsInText(const QString& text);
};
