#include "ZelvoKit/support/base/DataUtils.h"

#include <QtCore/QCryptographicHash>

namespace {

constexpr char kLowerHexDigits[] = "0123456789abcdef";

}  // namespace

QString asBase64String(const QByteArray& data) {
    return QString::fromLatin1(data.toBase64());
}

QString asHexString(const QByteArray& data) {
    QString text;
    text.reserve(data.size() * 2);
    for (const char byte : data) {
        const auto value = static_cast<unsigned char>(byte);
        text.append(QLatin1Char(kLowerHexDigits[value >> 4]));
        text.append(QLatin1Char(kLowerHexDigits[value & 0x0F]));
    }
    return text;
}

QString sha256(const QByteArray& data) {
    return asHexString(QCryptographicHash::hash(data, QCryptographicHash::Sha256));
}

int b64_value(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return 0;
}

int ValueOfHexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return 0;
}

QByteArray dataWithBase64String(QStringView text) {
    const QByteArray chars = text.toUtf8();
    const qsizetype size = chars.size();
    QByteArray data;
    data.reserve(size / 4 * 3 + 2);
    for (qsizetype i = 0; i + 1 < size; i += 4) {
        const int c0 = b64_value(chars[i]);
        const int c1 = b64_value(chars[i + 1]);
        data.append(static_cast<char>(((c0 << 2) | (c1 >> 4)) & 0xFF));
        if (i + 2 >= size || chars[i + 2] == '=') {
            break;
        }
        const int c2 = b64_value(chars[i + 2]);
        data.append(static_cast<char>(((c1 << 4) | (c2 >> 2)) & 0xFF));
        if (i + 3 >= size || chars[i + 3] == '=') {
            break;
        }
        const int c3 = b64_value(chars[i + 3]);
        data.append(static_cast<char>(((c2 << 6) | c3) & 0xFF));
    }
    return data;
}
