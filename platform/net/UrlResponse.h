#pragma once

#include "platform/net/HttpHeaders.h"

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QUrl>

namespace platform {

// A length the answer did not announce.
inline constexpr qint64 kTransferSizeUnknown = -1;

// The status line and header fields of an HTTP answer. Each cookie of the answer is a field of its
// own under "Set-Cookie", so value("Set-Cookie") reads them joined by ", " as the platform gives
// them, whichever way the transport delivered them.
class UrlResponse {
public:
    UrlResponse() = default;
    UrlResponse(QUrl url, int statusCode, HttpHeaders headers);

    const QUrl& url() const { return url_; }
    // 0 for no answer.
    int statusCode() const { return statusCode_; }
    const HttpHeaders& headers() const { return headers_; }
    QByteArray value(QByteArrayView name) const { return headers_.value(name); }
    // "Content-Type" as received, parameters included.
    QByteArray contentType() const { return headers_.value("Content-Type"); }
    QList<QByteArray> setCookies() const { return headers_.values("Set-Cookie"); }
    // The body's length as sent, from Content-Length; kTransferSizeUnknown without one.
    qint64 expectedContentLength() const;

    // "<UrlResponse %@ %ld>" with the URL and the status.
    QString description() const;

private:
    QUrl url_;
    int statusCode_ = 0;
    HttpHeaders headers_;
};

// Splits a Set-Cookie value in which several cookies were joined, by "\n" (as the transport joins
// repeated fields) or by ", " (as the platform and some proxies do), into one text per cookie. A
// comma splits only where a new "name=" follows, so the ", " inside an Expires date stays.
QList<QByteArray> splitSetCookieHeader(QByteArrayView joined);

}  // namespace platform
