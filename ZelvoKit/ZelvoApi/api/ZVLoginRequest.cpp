#include "ZelvoKit/ZelvoApi/api/ZVLoginRequest.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"

ZVLoginRequest::ZVLoginRequest(const QString& method, std::optional<QJsonObject> arguments,
                               std::shared_ptr<ZVUserCredentials> credentials)
    : ZVApiRequest(method, std::move(arguments)), credentials_(std::move(credentials)) {}

void ZVLoginRequest::handleCookie(const QString& token) {
    if (credentials_) {
        credentials_->setCookie(token);
    }
}
