#pragma once

#include "platform/net/HttpHeaders.h"
#include "platform/net/UrlError.h"
#include "platform/net/UrlRequest.h"
#include "platform/net/UrlResponse.h"

#include <QtCore/QPointer>
#include <QtNetwork/QNetworkReply>
#include <QtNetwork/QNetworkRequest>

#include <optional>

namespace platform {
class ContentDecoder;
}

namespace platform::detail {

// How our sessions put their requests to QtNetwork and read its replies back.

// Why a request's URL cannot be sent over HTTP: -1000 for one that is not absolute with a host,
// -1002 for another scheme; none when it can.
std::optional<UrlErrorCode> unusableUrl(const QUrl& url);
// The transport failure a finished reply stands for; none when it brought an answer, whatever
// its status.
std::optional<UrlError> transportFailure(const QNetworkReply& reply);
// Whether the body of an answer to `method` arrived whole: -1005 when it stopped short of its
// Content-Length, or, without one, short of the end of its compressed stream; -1015 when it
// cannot be inflated; none when whole. `encodedBytes` counts the body as it came over the wire;
// `decoder` is what inflated it, if anything did.
std::optional<UrlError> bodyFailure(const UrlResponse& response, QByteArrayView method,
                                    qint64 encodedBytes, const ContentDecoder* decoder);
// How a finished reply ends its task: its transport failure, -1011 when no answer came, else
// bodyFailure(). The transport may report a connection that closed inside an error answer's body
// as that answer's status, so the body's own length is what tells.
std::optional<UrlError> completionFailure(const QNetworkReply& reply, const UrlResponse* response,
                                          QByteArrayView method, qint64 encodedBytes,
                                          const ContentDecoder* decoder);

// Stops listening to `reply` (what `receiver` connected) and lets it go at the next turn of the
// run loop, which stops its transfer.
void abandonReply(QPointer<QNetworkReply>& reply, QObject* receiver);

// Safe methods, which the transport may send again on its own (see OneShotBody); every other
// request goes out at most once.
bool mayBeSentAgain(QByteArrayView method);
// No cache, no cookie jar, no redirects followed, no transport timeout: what the request holds is
// what goes out, and the sessions time out on their own scheduler.
QNetworkRequest makeNetworkRequest(const UrlRequest& request);
// The answer's header fields, each cookie a field of its own.
HttpHeaders responseHeaders(const QNetworkReply& reply);

}  // namespace platform::detail
