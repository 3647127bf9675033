#include "platform/net/NetworkReplyMapping.h"

#include "platform/net/ContentDecoder.h"

namespace platform::detail {

namespace {

// Answers that never carry a body, whatever their Content-Length says.
bool hasBody(QByteArrayView method, int status) {
    constexpr int kNoContent = 204;
    constexpr int kNotModified = 304;
    return method.compare("HEAD", Qt::CaseInsensitive) != 0 && status >= 200 &&
           status != kNoContent && status != kNotModified;
}

// Qt reports most HTTP statuses of 400 and above as reply errors; those are answers, not failures.
bool isHttpStatusError(QNetworkReply::NetworkError error, int status) {
    const int code = static_cast<int>(error);
    if (error == QNetworkReply::ContentReSendError) {
        return false;
    }
    if ((code >= 201 && code <= 299) || (code >= 401 && code <= 499)) {
        return true;
    }
    return error == QNetworkReply::ProtocolInvalidOperationError ||
           (error == QNetworkReply::ProxyAuthenticationRequiredError && status == 407);
}

UrlErrorCode transportErrorCode(QNetworkReply::NetworkError error) {
    switch (error) {
        case QNetworkReply::ConnectionRefusedError:
        case QNetworkReply::ProxyConnectionRefusedError:
        case QNetworkReply::ProxyAuthenticationRequiredError:
        case QNetworkReply::UnknownProxyError:
            return UrlErrorCode::CannotConnectToHost;
        case QNetworkReply::HostNotFoundError:
        case QNetworkReply::ProxyNotFoundError:
            return UrlErrorCode::CannotFindHost;
        case QNetworkReply::TimeoutError:
        case QNetworkReply::ProxyTimeoutError:
            return UrlErrorCode::TimedOut;
        case QNetworkReply::RemoteHostClosedError:
        case QNetworkReply::ProxyConnectionClosedError:
        case QNetworkReply::ContentReSendError:
            return UrlErrorCode::NetworkConnectionLost;
        case QNetworkReply::OperationCanceledError:
            return UrlErrorCode::Cancelled;
        case QNetworkReply::SslHandshakeFailedError:
            return UrlErrorCode::SecureConnectionFailed;
        // Qt reports an unreachable network (no route, interface down) as an unknown network error.
        case QNetworkReply::UnknownNetworkError:
        case QNetworkReply::TemporaryNetworkFailureError:
        case QNetworkReply::NetworkSessionFailedError:
        case QNetworkReply::BackgroundRequestNotAllowedError:
            return UrlErrorCode::NotConnectedToInternet;
        case QNetworkReply::ProtocolUnknownError:
            return UrlErrorCode::UnsupportedUrl;
        default:
            // Malformed answers and answers without a status line.
            return UrlErrorCode::BadServerResponse;
    }
}

}  // namespace

std::optional<UrlErrorCode> unusableUrl(const QUrl& url) {
    if (!url.isValid() || url.isRelative()) {
        return UrlErrorCode::BadUrl;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme != u"http" && scheme != u"https") {
        return UrlErrorCode::UnsupportedUrl;
    }
    if (url.host().isEmpty()) {
        return UrlErrorCode::BadUrl;
    }
    return std::nullopt;
}

std::optional<UrlError> transportFailure(const QNetworkReply& reply) {
    const QNetworkReply::NetworkError error = reply.error();
    if (error == QNetworkReply::NoError) {
        return std::nullopt;
    }
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && isHttpStatusError(error, status.toInt())) {
        return std::nullopt;
    }
    return UrlError(transportErrorCode(error));
}

std::optional<UrlError> bodyFailure(const UrlResponse& response, QByteArrayView method,
                                    qint64 encodedBytes, const ContentDecoder* decoder) {
    if (!hasBody(method, response.statusCode())) {
        return std::nullopt;
    }
    const qint64 announced = response.expectedContentLength();
    if (announced != kTransferSizeUnknown && encodedBytes < announced) {
        return UrlError(UrlErrorCode::NetworkConnectionLost);
    }
    if (!decoder || decoder->finish()) {
        return std::nullopt;
    }
    if (decoder->failed() || announced != kTransferSizeUnknown) {
        return UrlError(UrlErrorCode::CannotDecodeRawData);
    }
    return UrlError(UrlErrorCode::NetworkConnectionLost);
}

std::optional<UrlError> completionFailure(const QNetworkReply& reply, const UrlResponse* response,
                                          QByteArrayView method, qint64 encodedBytes,
                                          const ContentDecoder* decoder) {
    if (std::optional<UrlError> failure = transportFailure(reply)) {
        return failure;
    }
    if (!response) {
        return UrlError(UrlErrorCode::BadServerResponse);
    }
    return bodyFailure(*response, method, encodedBytes, decoder);
}

void abandonReply(QPointer<QNetworkReply>& reply, QObject* receiver) {
    QNetworkReply* abandoned = reply;
    reply = nullptr;
    if (!abandoned) {
        return;
    }
    if (receiver) {
        QObject::disconnect(abandoned, nullptr, receiver, nullptr);
    }
    // Deleting the reply stops its transfer. It is not aborted: an abort sets an error of its own,
    // and the answer's error (a 5xx, say) may already be on its way from the transport's thread,
    // which then warns of a second error. We may be inside one of the reply's own signals, so it
    // goes at the next turn of the loop, and whatever it still had to say goes with it.
    abandoned->deleteLater();
}

bool mayBeSentAgain(QByteArrayView method) {
    return method.compare("GET", Qt::CaseInsensitive) == 0 ||
           method.compare("HEAD", Qt::CaseInsensitive) == 0;
}

QNetworkRequest makeNetworkRequest(const UrlRequest& request) {
    QNetworkRequest result(request.url);
    result.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    result.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    result.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    result.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    result.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                        QNetworkRequest::ManualRedirectPolicy);
    result.setTransferTimeout(0);
    QList<QByteArray> names;
    for (const auto& field : request.headers.fields()) {
        if (!names.contains(field.first.toLower())) {
            names.append(field.first.toLower());
            result.setRawHeader(field.first, request.headers.value(field.first));
        }
    }
    return result;
}

HttpHeaders responseHeaders(const QNetworkReply& reply) {
    HttpHeaders headers;
    for (const auto& [name, value] : reply.rawHeaderPairs()) {
        if (name.compare("Set-Cookie", Qt::CaseInsensitive) == 0) {
            for (const QByteArray& cookie : splitSetCookieHeader(value)) {
                headers.append(name, cookie);
            }
        } else {
            headers.append(name, value);
        }
    }
    return headers;
}

}  // namespace platform::detail
