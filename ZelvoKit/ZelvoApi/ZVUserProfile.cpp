#include "ZelvoKit/ZelvoApi/ZVUserProfile.h"

#include "ZelvoKit/ZelvoApi/ZVApiSession.h"
#include "ZelvoKit/ZelvoApi/ZVUserCredentials.h"

ZVUserProfile::ZVUserProfile(const std::shared_ptr<ZVApiSession>& session)
    : session_(session), contactId_(session->credentials()->uuid()) {}

const QSet<QString>& ZVUserProfile::diagnosticAccountIds() {
    static const QSet<QString> ids{QStringLiteral("5e1f0c1d-9a0b-4d6e-8f3a-d1a6d1a6d1a6")};
    return ids;
}

bool ZVUserProfile::debugLogging() const {
    for (const QString& id : diagnosticAccountIds()) {
        if (isSelf(id)) {
            return true;
        }
    }
    return false;
}
