#include "platform/net/UrlError.h"

#include "platform/foundation/Format.h"

namespace platform {

namespace {

QString standardText(UrlErrorCode code) {
    switch (code) {
        case UrlErrorCode::Cancelled:
            return QStringLiteral("cancelled");
        case UrlErrorCode::BadUrl:
            return QStringLiteral("bad URL");
        case UrlErrorCode::TimedOut:
            return QStringLiteral("The request timed out.");
        case UrlErrorCode::UnsupportedUrl:
            return QStringLiteral("unsupported URL");
        case UrlErrorCode::CannotFindHost:
            return QStringLiteral("A server with the specified hostname could not be found.");
        case UrlErrorCode::CannotConnectToHost:
            return QStringLiteral("Could not connect to the server.");
        case UrlErrorCode::NetworkConnectionLost:
            return QStringLiteral("The network connection was lost.");
        case UrlErrorCode::NotConnectedToInternet:
            return QStringLiteral("The Internet connection appears to be offline.");
        case UrlErrorCode::BadServerResponse:
            return QStringLiteral("The server returned a bad response.");
        case UrlErrorCode::CannotDecodeRawData:
            return QStringLiteral("The server's answer could not be decoded.");
        case UrlErrorCode::InternationalRoamingOff:
            return QStringLiteral("International roaming is currently off.");
        case UrlErrorCode::SecureConnectionFailed:
            return QStringLiteral(
                "An SSL error has occurred and a secure connection to the server cannot be made.");
        case UrlErrorCode::Unknown:
            break;
    }
    return QStringLiteral("An unknown error occurred.");
}

}  // namespace

UrlError::UrlError(QString domain, int code, QString description)
    : domain_(std::move(domain)), code_(code), localizedDescription_(std::move(description)) {}

UrlError::UrlError(UrlErrorCode code)
    : domain_(kUrlErrorDomain),
      code_(static_cast<int>(code)),
      localizedDescription_(standardText(code)) {}

bool UrlError::is(UrlErrorCode code) const {
    return domain_ == kUrlErrorDomain && code_ == static_cast<int>(code);
}

QString UrlError::description() const {
    return format(u"Error Domain=%@ Code=%ld \"%@\"", domain_, code_, localizedDescription_);
}

}  // namespace platform
