#include "ZelvoKit/model/Message.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVClassificators.h"
#include "ZelvoKit/model/ZVMarkupServices.h"
#include "ZelvoKit/model/ZVMessageQueue.h"
#include "ZelvoKit/model/ZVRepositorySession.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kMessagesKey;

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kMessageKey = u"message"_s;
const QString kSubjectKey = u"subject"_s;
const QString kStoreMethod = u"message/store/%@"_s;
const QString kDeletedWord = u"is_deleted"_s;
constexpr int kEditTagBits = 32;

std::uint32_t tagBit(int number) {
    return std::uint32_t{1} << number;
}

}  // namespace

// --- dirty fields ---

void Message::setField(int field, bool dirty) {
    ZVManagedObject::setField(field, dirty);
    if (dirty && !isPending()) {
        if (const auto owner = conversation()) {
            owner->setField(Conversation::FieldMessageEdit, true);
        }
    }
}

void Message::announceToConversation(const QStringList& keys) {
    if (const auto owner = conversation()) {
        owner->willChangeProperties(keys);
        owner->scheduleNotifyPropertyChanges();
    }
}

// --- files ---

std::shared_ptr<File> Message::absorbFile(const std::shared_ptr<File>& file) {
    std::shared_ptr<File> used = file;
    const QString owner = file->conversationId();
    if (!owner.isEmpty()) {
        const bool ours = owner == conversationId() &&
                          (file->messageNr() < 1 || file->messageNr() == messageNr());
        if (!ours) {
            used = file->clone();
        }
    }
    if (!used) {
        return nullptr;
    }
    used->setConversationId(conversationId());
    used->setMessageNr(messageNr());
    if (const auto session = this->session(); session && session->profile()) {
        used->setAccountId(session->profile()->contactId());
    }
    used->setDate(used->entity().attributeIndex(u"posted_time"), postedTime());
    return used;
}

Message::Files Message::absorbFiles(const Files& files) {
    Files absorbed;
    for (const std::shared_ptr<File>& file : files) {
        std::shared_ptr<File> used = file ? absorbFile(file) : nullptr;
        if (!used) {
            continue;
        }
        absorbed.push_back(used);
        if (used->attachmentId().isEmpty()) {
            used->setAttachmentId(u"file_%1"_s.arg(absorbed.size()));
        }
    }
    if (!files.empty()) {
        representation()->absorbFiles(files);
    }
    return absorbed;
}

// --- edits ---

void Message::editBody(const QString& text, const Files& files) {
    const Files absorbed = absorbFiles(files);
    QStringList keys;
    for (const auto& file : absorbed) {
        keys.append(file->attachmentId());
    }
    willChangeValueForKey(kMessageKey);
    setMessage(ZVMarkupServices::xmlWithMessage(
        text, keys.isEmpty() ? std::nullopt : std::optional<QStringList>(keys)));
    resetRepresentation();
    setField(FieldBody, true);
    QStringList changed{kMessagesKey};
    if (const auto owner = conversation()) {
        if (owner->inboxMessageNr() == messageNr() || owner->pendingMessageNr() == messageNr()) {
            changed.append(u"inboxMessageText"_s);
        }
    }
    if (isPinned()) {
        changed.append(u"pinnedMessages"_s);
    }
    announceToConversation(changed);
    didChangeValueForKey(kMessageKey);
}

void Message::edit(const QString& text) {
    editBody(text, representation()->files().value_or(Files()));
}

void Message::editSubject(const QString& subject) {
    willChangeProperty(kSubjectKey);
    setSubject(subject);
    setField(FieldSubject, true);
}

void Message::setTags(const QList<int>& set, const QList<int>& clear) {
    std::uint32_t mask = tags();
    for (int number : set) {
        if (number >= 0 && number < kEditTagBits) {
            mask |= tagBit(number);
        }
    }
    for (int number : clear) {
        if (number >= 0 && number < kEditTagBits) {
            mask &= ~tagBit(number);
        }
    }
    if (mask != tags()) {
        setTags(mask);
        setField(FieldTags, true);
    }
}

void Message::pin() {
    setTags({TagPin, TagShared}, {TagUnpin, TagArchived});
    updateRepresentation();
    notifyPinboard();
}

void Message::unpin() {
    setPinWeightValue(std::nullopt);
    if (hasTag(TagEditedByOthers)) {
        setTags({TagUnpin, TagArchived}, {TagPin});
    } else {
        setTags({}, {TagPin, TagShared});
    }
    updateRepresentation();
    notifyPinboard();
}

void Message::notifyPinboard() {
    if (const auto owner = conversation()) {
        owner->notifyPinnedMessageChange(std::static_pointer_cast<Message>(shared_from_this()));
    }
}

void Message::deleteMessage() {
    if (isPending()) {
        cancel();
        return;
    }
    resetRepresentation();
    setTags({TagDeleted}, {TagTodo, TagDone, TagPin, TagUnpin});
    setPinWeightValue(std::nullopt);
    announceToConversation({kMessagesKey});
}

void Message::disableUrlPreviews() {
    const auto session = std::dynamic_pointer_cast<ZVRepositorySession>(this->session());
    for (const auto& preview : representation()->urlPreviews()) {
        if (session && session->repository()) {
            session->repository()->deleteObject(preview);
        }
    }
    setField(FieldUrlPreviews, true);
    updateRepresentation();
    announceToConversation({kMessagesKey});
}

void Message::setPinWeight(double weight) {
    setPinWeightValue(weight);
    setField(FieldPinWeight, true);
}

void Message::setAssignees(const QStringList& accountIds) {
    if (accountIds.isEmpty()) {
        setNull(assigneeIds_);
    } else {
        setString(assigneeIds_, accountIds.join(u' '));
    }
    updateAssignees();
    setField(FieldAssignees, true);
}

// --- the outgoing queue ---

bool Message::isUnconsumed() const {
    const auto owner = conversation();
    return !isPending() && owner && owner->isMessageUnread(*this);
}

bool Message::isFailed() const {
    const auto owner = conversation();
    const auto queue = owner ? owner->messageQueue(false) : nullptr;
    return isPending() && queue && queue->status() == ZVMessageQueue::Failed;
}

bool Message::isSending() const {
    return isPending() && !isFailed();
}

bool Message::isFirstPending() const {
    const auto owner = conversation();
    const auto queue = owner ? owner->messageQueue(false) : nullptr;
    const auto first = queue ? queue->pendingMessage() : nullptr;
    return first && first->messageNr() == messageNr();
}

bool Message::canEdit() const {
    const auto owner = conversation();
    if (!owner || !owner->canPost() || message().isEmpty() || !isOfType(TypeText) ||
        !lockAccountId().isEmpty()) {
        return false;
    }
    const auto session = this->session();
    return isShared() || (session && session->profile() && session->profile()->isSelf(accountId()));
}

void Message::resend() {
    if (const auto owner = conversation()) {
        owner->messageQueue()->resendMessage();
    }
}

void Message::cancel() {
    const auto owner = conversation();
    if (owner && isPending()) {
        owner->messageQueue()->cancelMessage(std::static_pointer_cast<Message>(shared_from_this()));
    }
}

// --- the store request ---

std::shared_ptr<ZVApiRequest> Message::getSyncRequest() {
    return isPending() ? nullptr : getStoreRequest(false);
}

std::shared_ptr<ZVApiRequest> Message::getStoreRequest(bool isRetry) {
    QJsonArray attachments;
    if (const auto files = representation()->files()) {
        for (const auto& file : *files) {
            if (file->status() != File::Status::OnService) {
                return nullptr;
            }
            attachments.append(file->fileUrl());
        }
    }
    std::uint32_t mask = uncommittedFields();
    if (isPending()) {
        mask |= tagBit(FieldBody);
    }
    if (mask == 0) {
        return nullptr;
    }
    const auto dirty = [mask](int field) { return (mask & tagBit(field)) != 0; };

    QJsonObject arguments;
    const QString body = message();
    if (isOfType(TypeHtmlEmail)) {
        // A forwarded e-mail names the original as its one file: "<conversation>:<number>".
        if (const auto keys = ZVMarkupServices::extractFiles(body); keys && !keys->isEmpty()) {
            const QStringList parts = keys->front().split(u':');
            if (parts.size() == 2) {
                arguments.insert(u"fwd_conversation_id"_s, parts[0]);
                arguments.insert(u"fwd_message_nr"_s, parts[1].toLongLong());
            }
        }
    }
    if (!isPending()) {
        arguments.insert(u"message_nr"_s, qint64(messageNr()));
    }
    if (!body.isEmpty()) {
        if (dirty(FieldBody)) {
            arguments.insert(kMessageKey, ZVMarkupServices::plainTextWithMarkup(body, false));
            if (!subject().isNull()) {
                arguments.insert(kSubjectKey, subject());
            }
        }
        if (dirty(FieldAttachments) || dirty(FieldBody)) {
            arguments.insert(u"attachments"_s, attachments);
        }
        if (dirty(FieldPinWeight)) {
            const auto weight = pinWeight();
            arguments.insert(u"pin_weight"_s, weight ? QJsonValue(*weight) : QJsonValue());
        }
        if (dirty(FieldTags)) {
            arguments.insert(u"tags"_s,
                             QJsonArray::fromStringList(ZVClassificators::tagsToArray(tags())));
        }
        if (dirty(FieldAssignees)) {
            arguments.insert(u"assignee_ids"_s, QJsonArray::fromStringList(assigneeIdsText().split(
                                                    u' ', Qt::SkipEmptyParts)));
        }
        if (dirty(FieldUrlPreviews)) {
            arguments.insert(u"is_url_preview_disabled"_s, true);
        }
        if (dirty(FieldSubject)) {
            arguments.insert(kSubjectKey,
                             subject().isNull() ? QJsonValue() : QJsonValue(subject()));
        }
    } else {
        arguments.insert(u"tags"_s, QJsonArray{kDeletedWord});
    }
    if (const auto owner = conversation(); owner && owner->fwMessageNr()) {
        arguments.insert(u"from_message_nr"_s, qint64(*owner->fwMessageNr()));
    }
    if (isRetry) {
        arguments.insert(u"is_retry"_s, true);
    }

    auto request = std::make_shared<ZVApiRequest>(kStoreMethod, conversationId(), arguments);
    const std::weak_ptr<Message> weak = std::static_pointer_cast<Message>(shared_from_this());
    if (!isPending()) {
        request->setSubmitHandler([weak] {
            if (const auto self = weak.lock()) {
                self->setUncommittedFields(0);
            }
        });
    }
    request->setErrorHandler([weak, mask](const ZVErrorPtr& error) {
        const auto self = weak.lock();
        if (!self) {
            return;
        }
        const bool refused = isRefusal(error);
        self->setUncommittedFields(refused ? 0 : mask);
    });
    return request;
}
