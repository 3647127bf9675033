#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QDateTime>
#include <QtCore/QString>

// Identifiers, phone numbers, e-mail addresses and calendar days. Stateless; safe from any thread.
class ZelvoUtils {
public:
    ZelvoUtils() = delete;

    // Keeps letters, digits and "+-#*()" in order; drops spaces, dots, slashes and the rest.
    static QString cleanPhoneNumber(const QString& phone);

    // A new random UUID, upper-case, hyphenated 8-4-4-4-12.
    static QString generateUUID();
    // The 16 bytes of a UUID string in textual order; empty when the string is not a UUID.
    static QByteArray dataFromUUIDString(const QString& uuid);
    // The lower-case hyphenated UUID of 16 bytes; a null string (and a system log line) for any
    // other length.
    static QString uuidFromData(const QByteArray& data);

    // Whether both dates fall on the same calendar day in the device's time zone.
    static bool isDate(const QDateTime& date, const QDateTime& other);
    // The start of the date's calendar day in the device's time zone.
    static QDateTime extractDateFrom(const QDateTime& date);

    // Whether the whole text has the form name@domain.tld with a top-level domain of 2 to 6
    // letters.
    static bool isValidEmail(const QString& email);
};
