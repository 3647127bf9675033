#include "ZelvoKit/support/base/ZVError.h"

#include "ZelvoKit/support/log/ZVLogSanitization.h"

#include <QtCore/QJsonDocument>

#include <mutex>

namespace {

constexpr long long FirstBackendErrorCode = 430;
constexpr long long LastBackendErrorCode = 439;

// Written once at start-up and read from any thread afterwards; the lock keeps a late
// replacement (tests) from racing a reader.
std::mutex& localizerMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<const ZVError::Localizer>& localizerSlot() {
    static std::shared_ptr<const ZVError::Localizer> slot;
    return slot;
}

std::shared_ptr<const ZVError::Localizer> currentLocalizer() {
    std::lock_guard lock(localizerMutex());
    return localizerSlot();
}

QString stringValue(const QJsonObject& userInfo, QLatin1StringView key) {
    const QJsonValue value = userInfo.value(key);
    return value.isString() ? value.toString() : QString();
}

}  // namespace

ZVError::ZVError(int code, QJsonObject userInfo)
    : domain_(Domain), code_(code), userInfo_(std::move(userInfo)) {}

ZVError::ZVError(QString domain, int code, QJsonObject userInfo)
    : domain_(std::move(domain)), code_(code), userInfo_(std::move(userInfo)) {}

ZVErrorPtr ZVError::errorWithCode(int code) {
    return std::make_shared<ZVError>(code);
}

ZVErrorPtr ZVError::errorWithCode(int code, QJsonObject userInfo) {
    return std::make_shared<ZVError>(code, std::move(userInfo));
}

ZVErrorPtr ZVError::errorWithBackendErrorId(const QString& errorId, int code) {
    return std::make_shared<ZVError>(code, QJsonObject{{ErrorIdKey, errorId}});
}

ZVErrorPtr ZVError::errorWithJson(const QJsonObject& json, int code) {
    return std::make_shared<ZVError>(code, json);
}

ZVErrorPtr ZVError::errorWithDomain(const QString& domain, int code, QJsonObject userInfo) {
    return std::make_shared<ZVError>(domain, code, std::move(userInfo));
}

ZVErrorPtr ZVError::cancel() {
    return errorWithCode(Cancelled);
}

bool ZVError::isBackendError(long long code) {
    return code >= FirstBackendErrorCode && code <= LastBackendErrorCode;
}

bool ZVError::isCancel(const ZVError* error) {
    return error && error->code() == Cancelled && error->domain() == Domain;
}

void ZVError::setErrorLocalizer(Localizer localizer) {
    auto replacement =
        localizer ? std::make_shared<const Localizer>(std::move(localizer)) : nullptr;
    std::lock_guard lock(localizerMutex());
    localizerSlot() = std::move(replacement);
}

ZVError::Localizer ZVError::errorLocalizer() {
    const auto localizer = currentLocalizer();
    return localizer ? *localizer : Localizer();
}

QString ZVError::backendErrorId() const {
    return stringValue(userInfo_, ErrorIdKey);
}

QString ZVError::localizedDescription() const {
    if (const auto localizer = currentLocalizer()) {
        const QString text = (*localizer)(*this);
        if (!text.isNull()) {
            return text;
        }
    }
    // The service's fields may hold other JSON values; only texts are shown.
    const QString message = stringValue(userInfo_, ErrorMessageKey);
    if (!message.isNull()) {
        return message;
    }
    const QString errorId = backendErrorId();
    if (!errorId.isNull()) {
        return errorId;
    }
    return defaultDescription();
}

QString ZVError::defaultDescription() const {
    const QString platformText = stringValue(userInfo_, LocalizedDescriptionKey);
    if (!platformText.isNull()) {
        return platformText;
    }
    return QStringLiteral("The operation couldn’t be completed. (%1 error %2.)")
        .arg(domain_, QString::number(code_));
}

QString ZVError::description() const {
    // User info may hold a whole answer or document: mask it as any logged body.
    QJsonObject info = ZVLogSanitization::sanitizeObject(userInfo_);
    const QJsonValue data = info.value(DataKey);
    if (data.isString()) {
        info.insert(DataKey, ZVLogSanitization::sanitizeJsonText(data.toString()));
    }
    return QStringLiteral("Error Domain=%1 Code=%2 \"%3\" UserInfo=%4")
        .arg(domain_, QString::number(code_), localizedDescription(),
             QString::fromUtf8(QJsonDocument(info).toJson(QJsonDocument::Compact)));
}
