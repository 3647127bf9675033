#pragma once

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"

#include <memory>

class ZVUserCredentials;

// A sign-in call: its answer's cookie belongs to the credentials being signed in, as no session
// exists for them yet.
class ZVLoginRequest : public ZVApiRequest {
public:
    ZVLoginRequest(const QString& method, std::optional<QJsonObject> arguments,
                   std::shared_ptr<ZVUserCredentials> credentials);

    const std::shared_ptr<ZVUserCredentials>& credentials() const { return credentials_; }
    void setCredentials(std::shared_ptr<ZVUserCredentials> credentials) {
        credentials_ = std::move(credentials);
    }

    void handleCookie(const QString& token) override;

private:
    std::shared_ptr<ZVUserCredentials> credentials_;
};
