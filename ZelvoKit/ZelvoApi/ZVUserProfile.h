#pragma once

#include "platform/foundation/Observable.h"

#include <QtCore/QSet>
#include <QtCore/QString>

#include <memory>

class ZVApiSession;

// The signed-in account's own profile as the service knows it. Created by its account's session
// and living as long as it. Main thread only.
class ZVUserProfile : public platform::Observable {
public:
    // Takes the contact id from the session's credentials.
    explicit ZVUserProfile(const std::shared_ptr<ZVApiSession>& session);

    std::shared_ptr<ZVApiSession> session() const { return session_.lock(); }
    const QString& contactId() const { return contactId_; }

    bool isSelf(const QString& accountId) const { return accountId == contactId_; }

    // Accounts whose requests and stream positions are written to the error log, to diagnose
    // synchronisation problems reported by their owners.
    static const QSet<QString>& diagnosticAccountIds();
    bool debugLogging() const;

private:
    std::weak_ptr<ZVApiSession> session_;
    QString contactId_;
};
