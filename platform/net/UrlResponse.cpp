#include "platform/net/UrlResponse.h"

#include "platform/foundation/Format.h"

namespace platform {

namespace {

// RFC 6265 cookie-name characters (an HTTP token).
bool isTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

// Whether a new cookie, "name=", starts at `from` (after optional blanks).
bool cookieStartsAt(QByteArrayView text, qsizetype from) {
    qsizetype i = from;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    const qsizetype nameStart = i;
    while (i < text.size() && isTokenChar(text[i])) {
        ++i;
    }
    return i > nameStart && i < text.size() && text[i] == '=';
}

bool isBlank(QByteArrayView text, qsizetype from) {
    return text.sliced(from).trimmed().isEmpty();
}

void appendTrimmed(QList<QByteArray>& out, QByteArrayView piece) {
    const QByteArray trimmed = piece.trimmed().toByteArray();
    if (!trimmed.isEmpty()) {
        out.append(trimmed);
    }
}

}  // namespace

UrlResponse::UrlResponse(QUrl url, int statusCode, HttpHeaders headers)
    : url_(std::move(url)), statusCode_(statusCode), headers_(std::move(headers)) {}

qint64 UrlResponse::expectedContentLength() const {
    bool ok = false;
    const qint64 length = headers_.value("Content-Length").trimmed().toLongLong(&ok);
    return ok && length >= 0 ? length : kTransferSizeUnknown;
}

QString UrlResponse::description() const {
    return format(u"<UrlResponse %@ %ld>", url_.toString(), statusCode_);
}

QList<QByteArray> splitSetCookieHeader(QByteArrayView joined) {
    QList<QByteArray> cookies;
    for (const QByteArray& line : joined.toByteArray().split('\n')) {
        qsizetype start = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] == ',' && (cookieStartsAt(line, i + 1) || isBlank(line, i + 1))) {
                appendTrimmed(cookies, QByteArrayView(line).sliced(start, i - start));
                start = i + 1;
            }
        }
        appendTrimmed(cookies, QByteArrayView(line).sliced(start));
    }
    return cookies;
}

}  // namespace platform
