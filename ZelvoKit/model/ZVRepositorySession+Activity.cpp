#include "ZelvoKit/model/ZVRepositorySession.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/ConversationWriters.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kAccountId;
using zvrecord::kConversationId;
using zvrecord::kLockAccountId;
using zvrecord::kMessageNr;
using zvrecord::kReadMessageNr;

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kIsWriting = u"is_writing"_s;
const QString kEditMessageNr = u"edit_message_nr"_s;
const QString kJoinMessageNr = u"join_message_nr"_s;
const QString kMemberHorizonsKey = u"memberHorizons"_s;

}  // namespace

ZVErrorPtr ZVRepositorySession::handleActivity(ZVJsonParser& record) {
    const QString conversationId = record.extractString(kConversationId);
    const QString accountId = record.extractString(kAccountId);
    const bool writing = record.extractBool(kIsWriting, false);
    const auto readMessageNr =
        record.containsValue(kReadMessageNr) ? record.extractInt(kReadMessageNr) : std::nullopt;
    const std::int64_t editMessageNr = record.extractInt(kEditMessageNr, 0);
    const auto joinMessageNr =
        record.containsValue(kJoinMessageNr) ? record.extractInt(kJoinMessageNr) : std::nullopt;
    if (ZVErrorPtr error = record.error()) {
        return error;
    }
    // The user's own activity is known here already.
    if (profile() && profile()->isSelf(accountId)) {
        return nullptr;
    }
    const auto conversation = conversationFromId(conversationId);
    if (!conversation) {
        return nullptr;
    }
    const auto member = conversation->sortedMembers()->memberByAccountId(accountId);
    if (readMessageNr) {
        conversationChanged(conversation);
        conversation->willChangeProperty(kMemberHorizonsKey);
        if (member) {
            member->setReadHorizon(*readMessageNr);
        }
    }
    if (joinMessageNr && member) {
        member->setJoinMessageNr(*joinMessageNr);
    }
    conversation->updateActivityBy(accountId, writing, editMessageNr);
    return nullptr;
}

ZVErrorPtr ZVRepositorySession::handleLock(ZVJsonParser& record) {
    const QString conversationId = record.extractString(kConversationId);
    const std::optional<std::int64_t> messageNr = record.extractInt(kMessageNr);
    const QString lockAccountId = record.extractString(kLockAccountId, QString());
    if (ZVErrorPtr error = record.error()) {
        return error;
    }
    if (const auto conversation = conversationFromId(conversationId)) {
        conversation->updateActivityBy(lockAccountId, !lockAccountId.isEmpty(), *messageNr);
    }
    return nullptr;
}
