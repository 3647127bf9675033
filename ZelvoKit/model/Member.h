#pragma once

#include "platform/store/ManagedObject.h"

#include <QtCore/QLatin1StringView>
#include <QtCore/QString>

#include <cstdint>
#include <memory>

class Conversation;

// One account's membership of a conversation, as the service's member list gives it: who, their
// read horizon and whether they administer it. Rows belong to their conversation and go with it.
class Member : public platform::ManagedObject {
public:
    static constexpr QLatin1StringView kEntityName{"Member"};
    // The to-one side; the conversation's set is Conversation::kMembersRelationship.
    static constexpr QLatin1StringView kConversationRelationship{"conversation"};

    explicit Member(const platform::EntityDescription& entity);

    static void describeAttributes(platform::EntityDescription& entity);

    QString accountId() const { return stringValue(accountId_); }
    void setAccountId(const QString& accountId);
    std::int64_t readHorizon() const { return integerValue(readHorizon_); }
    void setReadHorizon(std::int64_t readHorizon);
    bool isAdmin() const { return boolValue(isAdmin_); }
    void setIsAdmin(bool isAdmin);

    std::shared_ptr<Conversation> conversation() const;

private:
    int accountId_;
    int readHorizon_;
    int isAdmin_;
};
