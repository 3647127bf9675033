#pragma once

#include "platform/net/HttpHeaders.h"
#include "platform/net/UrlError.h"
#include "platform/net/UrlRequest.h"

#include <QtNetwork/QNetworkReply>
#include <QtNetwork/QNetworkRequest>

#include <optional>

namespace platform::detail {

// How our sessions put their requests to QtNetwork and read its replies back.

// Qt reports most HTTP statuses of 400 and above as reply errors; those are answers, not failures.
bool isHttpStatusError(QNetworkReply::NetworkError error, int status);
UrlErrorCode transportErrorCode(QNetworkReply::NetworkError error);
// The transport failure a finished reply stands for; none when it brought an answer, whatever
// its status.
std::optional<UrlError> transportFailure(const QNetworkReply& reply);

// No cache, no cookie jar, no redirects followed, no transport timeout: what the request holds is
// what goes out, and the sessions time out on their own scheduler.
QNetworkRequest makeNetworkRequest(const UrlRequest& request);
// The answer's header fields, each cookie a field of its own.
HttpHeaders responseHeaders(const QNetworkReply& reply);

}  // namespace platform::detail
