#include "platform/net/NetworkReplyMapping.h"

#include "platform/net/UrlResponse.h"

namespace platform::detail {

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
