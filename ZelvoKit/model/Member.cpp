#include "ZelvoKit/model/Member.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kAccountId;
using zvrecord::kIsAdmin;

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::AttributeOptions;
using platform::AttributeType;

const QString kReadHorizon = u"read_horizon"_s;

}  // namespace

Member::Member(const platform::EntityDescription& entity)
    : ManagedObject(entity),
      accountId_(entity.attributeIndex(kAccountId)),
      readHorizon_(entity.attributeIndex(kReadHorizon)),
      isAdmin_(entity.attributeIndex(kIsAdmin)) {}

void Member::describeAttributes(platform::EntityDescription& entity) {
    AttributeOptions required;
    required.optional = false;
    required.indexed = true;
    entity.addAttribute(kAccountId, AttributeType::String, required);
    entity.addAttribute(kReadHorizon, AttributeType::Integer32);
    entity.addAttribute(kIsAdmin, AttributeType::Boolean);
}

void Member::setAccountId(const QString& accountId) {
    if (accountId != this->accountId()) {
        setString(accountId_, accountId);
    }
}

void Member::setReadHorizon(std::int64_t readHorizon) {
    if (isNull(readHorizon_) || readHorizon != this->readHorizon()) {
        setInteger(readHorizon_, readHorizon);
    }
}

void Member::setIsAdmin(bool isAdmin) {
    if (isNull(isAdmin_) || isAdmin != this->isAdmin()) {
        setBool(isAdmin_, isAdmin);
    }
}

std::shared_ptr<Conversation> Member::conversation() const {
    return std::dynamic_pointer_cast<Conversation>(
        relatedObject(QString(kConversationRelationship)));
}
