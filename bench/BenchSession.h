#pragma once

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QString>

#include <memory>

// A signed-in account's session made offline, as a sign-in would make it, under whatever root
// the caller set for the paths; null when the store could not open.
inline std::shared_ptr<ZVRepositorySession> openBenchSession(const QString& uuid,
                                                             const QString& email) {
    auto credentials = std::make_shared<ZVUserCredentials>(email);
    credentials->setUuid(uuid);
    credentials->setTicket(QStringLiteral("ticket"));
    credentials->setCookie(QStringLiteral("cookie"));
    ZVJsonParser profiles(QJsonObject{
        {QStringLiteral("profiles"), QJsonArray{QJsonObject{{QStringLiteral("account_id"), uuid},
                                                            {QStringLiteral("email"), email}}}}});
    return std::dynamic_pointer_cast<ZVRepositorySession>(
        ZVRepositorySession::factory()(credentials, &profiles));
}
