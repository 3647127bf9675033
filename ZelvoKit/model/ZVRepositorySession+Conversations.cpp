#include "ZelvoKit/model/ZVRepositorySession.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVMessageQueue.h"
#include "ZelvoKit/model/search/ZVSearch.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Scheduler.h"

#include <algorithm>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kConversationId;
using zvrecord::kIsDeleted;
using zvrecord::kIsReset;
using zvrecord::kMessageNr;

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kMessageEntity = u"Message"_s;
const QString kFileEntity = u"File"_s;
// A conversation of fewer members can be the one-to-one conversation with someone.
constexpr std::size_t kDialogMemberLimit = 3;
// The entities whose rows belong to one conversation by its id.
const QStringList kConversationContents{kMessageEntity, kFileEntity};

}  // namespace

void ZVRepositorySession::loadConversations() {
    conversations_.clear();
    auto fetched = repository_->fetchObjects<Conversation>(QString(Conversation::kEntityName));
    if (!fetched) {
        return;
    }
    conversations_.reserve(static_cast<qsizetype>(fetched->size()));
    for (const auto& conversation : *fetched) {
        // The unsaved one of an earlier run is made again when the user composes anew.
        if (conversation->isNewConversation()) {
            continue;
        }
        conversation->awakeFromFetch();
        conversations_.insert(conversation->conversationId(), conversation);
    }
}

std::shared_ptr<Conversation> ZVRepositorySession::conversationFromId(
    const QString& conversationId) {
    if (conversationId.isNull()) {
        ZVLogError(u"ConversationFromId(nil)");
        return nullptr;
    }
    if (auto conversation = conversations_.value(conversationId)) {
        return conversation;
    }
    if (conversationId.contains(u'@')) {
        return dialogWithContact(conversationId);
    }
    if (conversationId == Conversation::kNewConversationId) {
        return newConversation_;
    }
    return nullptr;
}

// --- conversations the user starts ---

std::shared_ptr<Conversation> ZVRepositorySession::createNewConversation() {
    if (!repository_) {
        return nullptr;
    }
    if (auto stored = repository_->fetchObjects(
            QString(Conversation::kEntityName), u"conversation_id = $id"_s,
            {{u"id"_s, QString(Conversation::kNewConversationId)}});
        stored && !stored->empty()) {
        for (const auto& conversation : *stored) {
            repository_->deleteObject(conversation);
        }
        saveContext();
    }
    newConversation_.reset();
    auto conversation =
        repository_->createObjectOfClass<Conversation>(QString(Conversation::kEntityName));
    if (!conversation) {
        ZVLogError(u"ZelvoDataModel::createNewConversation : InsertNewObject failed");
        return nullptr;
    }
    conversation->setConversationId(QString(Conversation::kNewConversationId));
    conversation->setCanPost(true);
    conversation->setJoinMessageNr(0);
    conversation->setLastMessageNr(0);
    conversation->setInboxTime(platform::Scheduler::main().currentDate());
    conversation->setRecordCompleteness(Conversation::RecordFull);
    if (profile()) {
        conversation->sortedMembers()->addContact(profile()->contactId());
    }
    conversation->awakeFromFetch();
    newConversation_ = conversation;
    return conversation;
}

std::shared_ptr<Conversation> ZVRepositorySession::cloneConversation(
    const std::shared_ptr<Conversation>& source) {
    auto conversation = createNewConversation();
    if (!conversation || !source) {
        return conversation;
    }
    const auto& from = source->sortedMembers();
    const auto& to = conversation->sortedMembers();
    if (const auto* teams = from->teams()) {
        for (const auto& team : *teams) {
            to->addTeam(team->teamId());
        }
    }
    for (const auto& entry : *from) {
        if (!entry->isLocalContact() && !entry->accountId().isEmpty()) {
            to->addContact(entry->accountId());
        }
    }
    // Labels follow the conversation's own operation once it can add them.
    if (!source->labelIdsText().isEmpty()) {
        conversation->setLabelIdsText(source->labelIdsText());
        conversation->updateLabels();
    }
    return conversation;
}

std::shared_ptr<Conversation> ZVRepositorySession::dialogWithContact(const QString& email) {
    const auto contact = contactFromEmail(email);
    if (contact && !contact->dialogId().isEmpty()) {
        if (auto dialog = conversations_.value(contact->dialogId())) {
            return dialog;
        }
    }
    const QString self = profile() ? profile()->contactId() : QString();
    for (const auto& conversation : std::as_const(conversations_)) {
        if (conversation->members().size() < kDialogMemberLimit &&
            conversation->topic().isEmpty() && conversation->containsMemberWithId(self) &&
            conversation->sortedMembers()->containsEmail(email)) {
            return conversation;
        }
    }
    // The dialog composed for this person a moment ago may hold a first message waiting for the
    // service to make it: made again, the message would go with the old one.
    if (const auto& composed = newConversation_;
        composed && !composed->isDeleted() && composed->isNewConversation() &&
        composed->topic().isEmpty() && composed->sortedMembers()->countWithoutSelf() == 1 &&
        (contact ? composed->sortedMembers()->containsId(contact->accountId())
                 : composed->sortedMembers()->containsEmail(email))) {
        return composed;
    }
    auto conversation = createNewConversation();
    if (!conversation) {
        return nullptr;
    }
    if (contact) {
        conversation->sortedMembers()->addContact(contact->accountId());
    } else {
        conversation->sortedMembers()->addEmail(email, QString());
    }
    conversation->commitChanges();
    return conversation;
}

void ZVRepositorySession::conversationChanged(const std::shared_ptr<Conversation>& conversation) {
    // A change the commit itself makes is part of that commit.
    if (!conversation || inCommit_) {
        return;
    }
    if (inTransaction_) {
        if (const QString id = conversation->conversationId(); !id.isEmpty()) {
            changedConversations_.insert(id, conversation);
        }
        return;
    }
    commitConversations({{conversation->conversationId(), conversation}});
    labelsTakeChanges({{conversation->conversationId(), conversation}});
    if (conversation->needsSync()) {
        commitObject(conversation);
        updateSyncProgress();
    }
    announceUnreadCount();
}

void ZVRepositorySession::updateSyncProgress() {
    std::int64_t required = 0;
    std::int64_t present = 0;
    for (const auto& conversation : std::as_const(conversations_)) {
        const std::int64_t needs = conversation->numberOfLocalMessagesRequired();
        required += needs;
        present += std::min(conversation->numberOfLocalMessagesPresent(), needs);
    }
    // A full load reached: progress counts from here, so that a few new messages do not show
    // as a long synchronisation.
    if (conversations_.isEmpty() || present >= required) {
        syncBaseline_ = required;
    }
    changeValueForKey(QString(kRepositorySyncProgressKey), [&] {
        const std::int64_t span = required - syncBaseline_;
        repositorySyncProgress_ =
            span >= kShortestProgressSpan
                ? static_cast<float>(present - syncBaseline_) / static_cast<float>(span)
                : 1.0f;
    });
}

void ZVRepositorySession::commitConversations(
    const QHash<QString, std::shared_ptr<Conversation>>& conversations) {
    const bool wasInCommit = std::exchange(inCommit_, true);
    for (const auto& conversation : conversations) {
        if (!conversation->isDeleted()) {
            conversation->commitChanges();
        }
    }
    inCommit_ = wasInCommit;
}

void ZVRepositorySession::scheduleSynchronizeConversations(
    const QList<std::shared_ptr<Conversation>>& conversations) {
    if (conversations.isEmpty()) {
        return;
    }
    std::vector<std::weak_ptr<Conversation>> weak(conversations.begin(), conversations.end());
    const std::weak_ptr<ZVRepositorySession> weakSelf =
        std::static_pointer_cast<ZVRepositorySession>(shared_from_this());
    conversationSyncs_.after(kConversationSyncDelay, [weakSelf, weak = std::move(weak)] {
        const auto self = weakSelf.lock();
        if (!self) {
            return;
        }
        QList<std::shared_ptr<Conversation>> alive;
        for (const auto& conversation : weak) {
            if (auto locked = conversation.lock()) {
                alive.append(std::move(locked));
            }
        }
        self->synchronizeConversations(alive);
    });
}

void ZVRepositorySession::synchronizeConversations(
    const QList<std::shared_ptr<Conversation>>& conversations) {
    // Not while accounts are being signed in or out.
    if (ZVApi::api().loginStatus() != ZVApi::LoginStatusSignedIn) {
        return;
    }
    for (const auto& conversation : conversations) {
        if (conversation->needsSync()) {
            commitObject(conversation);
        }
    }
}

void ZVRepositorySession::announceUnreadCount() {
    changeValueForKey(QString(kUnreadCountKey));
}

std::shared_ptr<Conversation> ZVRepositorySession::conversationChangedWithId(
    const QString& conversationId) {
    if (inTransaction_) {
        if (auto changed = changedConversations_.value(conversationId)) {
            return changed;
        }
    }
    auto conversation = conversationFromId(conversationId);
    conversationChanged(conversation);
    return conversation;
}

void ZVRepositorySession::notifyContactsChanged(const QSet<QString>& contactIds) {
    ZVApiSession::notifyContactsChanged(contactIds);
    for (const auto& conversation : std::as_const(conversations_)) {
        conversation->notifyContactChange(contactIds);
    }
    // Held here: an observer of the search may abandon it while it is told.
    if (const std::shared_ptr<ZVSearch> search = search_) {
        search->notifyContactsChanged(contactIds);
    }
}

// --- the record ---

ZVErrorPtr ZVRepositorySession::handleConversation(ZVJsonParser& received, bool isCreateRequest) {
    const QString id = received.extractString(kConversationId, QString());
    if (id.isNull()) {
        return nullptr;
    }
    // A load's answer may be older than what the stream brought while it was out.
    std::optional<ZVJsonParser> loadRecord;
    if (const std::optional<std::int64_t> mark = answeredLoadMark()) {
        std::optional<QJsonObject> fields =
            loadRecordAfterStream(id, received.values().toObject(), *mark);
        if (!fields) {
            return nullptr;
        }
        loadRecord.emplace(*fields);
    } else {
        noteOrderedRecord(id, received.values().toObject(),
                          received.extractBool(kIsDeleted, false));
    }
    ZVJsonParser& record = loadRecord ? *loadRecord : received;
    const bool deleted = record.extractBool(kIsDeleted, false);
    const bool reset = record.extractBool(kIsReset, false);
    std::shared_ptr<Conversation> conversation = conversationChangedWithId(id);

    if (deleted) {
        if (conversation && !conversation->isNewConversation()) {
            deleteConversation(conversation);
        }
        return nullptr;
    }
    if (conversation && reset && !isCreateRequest) {
        deleteMessagesFromConversation(id);
    }
    if (conversation) {
        if (isCreateRequest && newConversation_ && newConversation_ != conversation) {
            mergeNewConversationInto(conversation);
        }
        if (ZVErrorPtr error = conversation->deserializeFromJson(record)) {
            return error;
        }
        return validationError(conversation->validateForUpdate());
    }

    if (isCreateRequest && newConversation_) {
        conversation = newConversation_;
        newConversation_.reset();
        ZVErrorPtr error = conversation->deserializeFromJson(record);
        if (!error) {
            error = validationError(conversation->validateForInsert());
        }
        if (error) {
            // The composed conversation stays, so that the user can send it again.
            newConversation_ = conversation;
            if (conversation->conversationId() != Conversation::kNewConversationId) {
                conversation->setConversationId(QString(Conversation::kNewConversationId));
            }
            return error;
        }
        moveConversationContents(QString(Conversation::kNewConversationId), id);
        ZVMessageQueue::moveBaseline(QString(Conversation::kNewConversationId), id);
        madeConversations_.push_back(conversation);
    } else if (ZVErrorPtr error =
                   createOrUpdateObject(conversation, QString(Conversation::kEntityName), record)) {
        // Reading it may have registered the object that was deleted again.
        if (const auto changed = changedConversations_.value(id); changed && changed->isDeleted()) {
            changedConversations_.remove(id);
        }
        return error;
    }
    conversations_.insert(id, conversation);
    conversationChanged(conversation);
    return nullptr;
}

void ZVRepositorySession::deleteConversation(const std::shared_ptr<Conversation>& conversation) {
    const QString id = conversation->conversationId();
    // Observers hear of it now: the transaction's commit skips a deleted conversation.
    conversation->willChangeProperty(u"isDeleted"_s);
    conversations_.remove(id);
    changedConversations_.remove(id);
    deleteConversationContents(id);
    // Its members go with it.
    deleteObject(conversation);
    conversation->notifyPropertyChanges();
}

void ZVRepositorySession::mergeNewConversationInto(
    const std::shared_ptr<Conversation>& conversation) {
    const std::shared_ptr<Conversation> composed = newConversation_;
    newConversation_.reset();
    // The composed messages queue up behind the ones this conversation still has to send.
    const std::int64_t ownPending = conversation->pendingMessageNr().value_or(0);
    const std::int64_t shift = ownPending >= Message::kFirstPendingMessageNr
                                   ? ownPending - Message::kFirstPendingMessageNr + 1
                                   : 0;
    moveConversationContents(QString(Conversation::kNewConversationId),
                             conversation->conversationId(), shift);
    if (conversation->pendingMessage().isNull() && !composed->pendingMessage().isNull()) {
        conversation->setPendingMessageText(composed->pendingMessage());
    }
    if (const std::int64_t composedPending = composed->pendingMessageNr().value_or(0);
        composedPending >= Message::kFirstPendingMessageNr) {
        conversation->setPendingMessageNr(composedPending + shift);
    }
    conversation->takeComposedMessages(composed);
    deleteObject(composed);
    madeConversations_.push_back(conversation);
}

// --- rows that belong to a conversation ---

void ZVRepositorySession::deleteRows(const QString& entityName, const QString& predicate,
                                     const QVariantMap& arguments) {
    if (!repository_ || !repository_->managedObjectModel()->entity(entityName)) {
        return;
    }
    auto rows = repository_->fetchObjects(entityName, predicate, arguments);
    if (!rows) {
        return;
    }
    for (const auto& row : *rows) {
        repository_->deleteObject(row);
    }
}

void ZVRepositorySession::deleteMessagesFromConversation(const QString& conversationId) {
    deleteRows(
        kMessageEntity, u"(conversation_id = $id) and (message_nr < $nr)"_s,
        {{u"id"_s, conversationId}, {u"nr"_s, qlonglong(Conversation::kFirstLocalMessageNr)}});
}

void ZVRepositorySession::deleteConversationContents(const QString& conversationId) {
    for (const QString& entity : kConversationContents) {
        deleteRows(entity, u"conversation_id = $id"_s, {{u"id"_s, conversationId}});
    }
}

void ZVRepositorySession::moveConversationContents(const QString& fromId, const QString& toId,
                                                   std::int64_t localNrShift) {
    if (!repository_) {
        return;
    }
    for (const QString& entity : kConversationContents) {
        if (!repository_->managedObjectModel()->entity(entity)) {
            continue;
        }
        auto rows =
            repository_->fetchObjects(entity, u"conversation_id = $id"_s, {{u"id"_s, fromId}});
        if (!rows) {
            continue;
        }
        for (const auto& row : *rows) {
            row->setValue(kConversationId, toId);
            if (const std::int64_t nr = row->value(kMessageNr).toLongLong();
                localNrShift != 0 && nr >= Message::kFirstPendingMessageNr) {
                row->setValue(kMessageNr, QVariant::fromValue(nr + localNrShift));
            }
        }
    }
}
