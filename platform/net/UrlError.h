#pragma once

#include <QtCore/QString>

namespace platform {

// The platform's error domains for transport failures. The API client tells a network failure from
// its own and the service's errors by these domains alone.
inline const QString kUrlErrorDomain = QStringLiteral("NSURLErrorDomain");
inline const QString kPosixErrorDomain = QStringLiteral("NSPOSIXErrorDomain");

// Codes of the URL error domain, with the platform's numbers.
enum class UrlErrorCode : int {
    Unknown = -1,
    Cancelled = -999,
    BadUrl = -1000,
    TimedOut = -1001,
    UnsupportedUrl = -1002,
    CannotFindHost = -1003,
    CannotConnectToHost = -1004,
    NetworkConnectionLost = -1005,
    NotConnectedToInternet = -1009,
    BadServerResponse = -1011,
    CannotDecodeRawData = -1015,
    InternationalRoamingOff = -1018,
    SecureConnectionFailed = -1200,
};

// A failure of a transfer: a value, as the platform's error object is one.
class UrlError {
public:
    UrlError() = default;
    UrlError(QString domain, int code, QString description);
    // An error of the URL domain with the standard text for its code.
    explicit UrlError(UrlErrorCode code);

    const QString& domain() const { return domain_; }
    int code() const { return code_; }
    // The human-readable text (the platform's localized description).
    const QString& localizedDescription() const { return localizedDescription_; }
    bool is(UrlErrorCode code) const;
    bool isCancel() const { return is(UrlErrorCode::Cancelled); }

    // "Error Domain=%@ Code=%ld \"%@\"", for "%@" in log lines.
    QString description() const;

    friend bool operator==(const UrlError& a, const UrlError& b) {
        return a.domain_ == b.domain_ && a.code_ == b.code_;
    }

private:
    QString domain_;
    int code_ = 0;
    QString localizedDescription_;
};

}  // namespace platform
