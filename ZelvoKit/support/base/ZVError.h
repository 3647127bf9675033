#pragma once

#include <QtCore/QJsonObject>
#include <QtCore/QLatin1StringView>
#include <QtCore/QString>

#include <functional>
#include <memory>

class ZVError;
using ZVErrorPtr = std::shared_ptr<ZVError>;

// The one error type of the system's own failures and the service's: a domain, an integer code and
// a user-info dictionary. Errors are immutable once made and are shared freely between threads.
//
// Failures of the platform underneath (a JSON text that does not parse, a date text or a regular
// expression that does not compile, a network failure) are errors of their own domain.
class ZVError {
public:
    // Codes in the system's own domain. Any HTTP status other than 200 is a code too; 430 to 439
    // are the service's own errors, answered with an error id.
    enum Code : int {
        Cancelled = 1000,
        MalformedStream = 1001,
        MissingValue = 1002,
        WrongValueClass = 1003,
        UnknownEnumValue = 1004,
        LocalTransferFailed = 1007,
        InvalidData = 1008,
        UnsupportedUrl = 1015,
        AlreadySignedIn = 1016,
    };

    static constexpr QLatin1StringView Domain{"ZVApiError"};
    // Domains of the platform's own failures.
    static constexpr QLatin1StringView JsonReadingDomain{"JsonReading"};
    static constexpr QLatin1StringView DateFormattingDomain{"DateFormatting"};
    static constexpr QLatin1StringView RegularExpressionDomain{"RegularExpression"};

    // User-info keys.
    static constexpr QLatin1StringView ErrorIdKey{"error_id"};
    static constexpr QLatin1StringView ErrorMessageKey{"error_message"};
    // Set by the JSON reader: the key path or key, the class found, the unknown enum value and the
    // whole document.
    static constexpr QLatin1StringView KeyKey{"key"};
    static constexpr QLatin1StringView ClassKey{"class"};
    static constexpr QLatin1StringView ValueKey{"value"};
    static constexpr QLatin1StringView DataKey{"data"};
    // Set by the local media loader: the URL it does not handle.
    static constexpr QLatin1StringView UrlKey{"url"};
    // The text of a platform failure, read by the default description.
    static constexpr QLatin1StringView LocalizedDescriptionKey{"localized_description"};

    // Maps an error to a user text; a null string lets the next rule of localizedDescription()
    // decide.
    using Localizer = std::function<QString(const ZVError&)>;

    explicit ZVError(int code, QJsonObject userInfo = {});
    ZVError(QString domain, int code, QJsonObject userInfo = {});

    static ZVErrorPtr errorWithCode(int code);
    static ZVErrorPtr errorWithCode(int code, QJsonObject userInfo);
    // User info holds only "error_id".
    static ZVErrorPtr errorWithBackendErrorId(const QString& errorId, int code);
    // The decoded answer itself becomes the user info.
    static ZVErrorPtr errorWithJson(const QJsonObject& json, int code);
    static ZVErrorPtr errorWithDomain(const QString& domain, int code, QJsonObject userInfo = {});
    static ZVErrorPtr cancel();

    // True for 430 to 439, whatever domain the code came from.
    static bool isBackendError(long long code);
    static bool isCancel(const ZVError* error);
    static bool isCancel(const ZVErrorPtr& error) { return isCancel(error.get()); }

    // Replaces the process-wide localizer (an empty function removes it).
    static void setErrorLocalizer(Localizer localizer);
    static Localizer errorLocalizer();

    const QString& domain() const { return domain_; }
    int code() const { return code_; }
    const QJsonObject& userInfo() const { return userInfo_; }

    // The user-info "error_id" when it is a string; a null string otherwise.
    QString backendErrorId() const;

    // The text users read: the localizer's, else "error_message", else "error_id", else the
    // default description.
    QString localizedDescription() const;
    // For logs: domain, code, text and user info, with secrets masked.
    QString description() const;

private:
    QString defaultDescription() const;

    QString domain_;
    int code_ = 0;
    QJsonObject userInfo_;
};
