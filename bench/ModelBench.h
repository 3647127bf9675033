#pragma once

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QString>

#include <memory>

// An account's repository session opened on this machine without a service, for the data model's
// benchmarks.
namespace modelbench {

inline std::shared_ptr<ZVUserCredentials> credentialsFor(const QString& uuid,
                                                         const QString& email) {
    auto credentials = std::make_shared<ZVUserCredentials>(email);
    credentials->setUuid(uuid);
    credentials->setTicket(QStringLiteral("ticket"));
    credentials->setCookie(QStringLiteral("cookie"));
    return credentials;
}

// The account's session with its store under the current paths root, as a saved sign-in opens it.
inline std::shared_ptr<ZVRepositorySession> openSession(const QString& uuid, const QString& email) {
    ZVJsonParser profiles(QJsonObject{
        {QStringLiteral("profiles"), QJsonArray{QJsonObject{{QStringLiteral("account_id"), uuid},
                                                            {QStringLiteral("email"), email}}}}});
    return std::dynamic_pointer_cast<ZVRepositorySession>(
        ZVRepositorySession::factory()(credentialsFor(uuid, email), &profiles));
}

}  // namespace modelbench
