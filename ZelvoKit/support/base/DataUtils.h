#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringView>

// Text forms of byte data: Base64, hexadecimal, SHA-256.

// Standard Base64 ("+", "/"), padded with "=", without line breaks; empty for no data.
QString asBase64String(const QByteArray& data);
// Two lower-case hexadecimal digits per byte, high nibble first.
QString asHexString(const QByteArray& data);
// The SHA-256 digest of the bytes in asHexString() form (64 characters).
QString sha256(const QByteArray& data);

// Decodes Base64 without skipping anything: a character outside the alphabet counts as 0 where it
// stands, "=" ends the data, and a missing padding is tolerated. Never reads past the end of the
// text; a lone character in the last group carries too few bits for a byte and yields none.
QByteArray dataWithBase64String(QStringView text);

// The character's value in the Base64 alphabet; 0 for "=" and for anything outside it.
int b64_value(char c);
// 0 to 15 for a hexadecimal digit of either case; 0 for any other character.
int ValueOfHexDigit(char16_t c);
