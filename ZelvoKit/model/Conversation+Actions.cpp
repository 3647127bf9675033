#include "ZelvoKit/model/Conversation.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/Label.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/foundation/Scheduler.h"

#include <QtCore/QJsonDocument>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

using namespace Qt::Literals::StringLiterals;

// Below this a snooze interval sets no snooze time.
constexpr double kShortestSnooze = 1.0;
// A change marks its field and goes out this long after the first one, with those that follow.
constexpr platform::TimeInterval kSyncDelay = 0.1;
constexpr int kReadOnlyPriority = 1;
constexpr int kStorePriority = 3;

QJsonArray labelIdArray(const QString& text, bool* isArray = nullptr) {
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (isArray) {
        *isArray = document.isArray();
    }
    return document.isArray() ? document.array() : QJsonArray();
}

QString compactJson(const QJsonArray& array) {
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

}  // namespace

// --- read state ---

void Conversation::markRead() {
    markReadUntil(showMessageNr().value_or(0));
}

void Conversation::markReadUntil(std::int64_t messageNr) {
    if (readMessageNumber() > messageNr || lastMessageNr().value_or(0) < messageNr) {
        return;
    }
    setField(FieldUnread, false);
    setField(FieldRead, true);
    setReadMessageNr(messageNr);
}

void Conversation::markUnread() {
    if (isUnread()) {
        return;
    }
    markUnreadUntil(inboxMessageNr().value_or(0));
}

void Conversation::markUnreadUntil(std::int64_t messageNr) {
    const auto before = nextMessageFromNr(messageNr, -1);
    const std::int64_t target = before ? before->messageNr() : messageNr - 1;
    if (target >= readMessageNumber()) {
        return;
    }
    setField(FieldUnread, true);
    setField(FieldRead, false);
    setReadMessageNr(target);
}

void Conversation::setReadMessageNr(std::int64_t messageNr) {
    if (messageNr < joinMessageNr().value_or(0) - 1 || messageNr > lastMessageNr().value_or(0)) {
        return;
    }
    if (readMessageNr() != messageNr) {
        willChangeProperty(u"read_message_nr"_s);
        setReadMessageNrValue(messageNr);
    }
    // The inbox row shows the first unread inbox message, or the newest one when all are read.
    if (const auto read = messageByNumber(messageNr)) {
        const std::int64_t next = std::min<std::int64_t>(
            lastInboxNr().value_or(0), std::llabs(read->inboxNr().value_or(0)) + 1);
        if (const auto inbox = messageByInboxIndex(next)) {
            setInboxMessageNr(inbox->messageNr());
        }
    }
    updateUnreadCount();
    notifyPropertyChanges();
}

void Conversation::markSpam() {
    if (const auto spam = systemLabel(Label::TypeSpam)) {
        addLabel(spam->labelId());
    }
    markRead();
}

void Conversation::unmarkSpam() {
    if (const auto spam = systemLabel(Label::TypeSpam)) {
        removeLabel(spam->labelId());
    }
}

void Conversation::starAfter(const QString& /*labelId*/) {
    if (const auto starred = systemLabel(Label::TypeStarred)) {
        addLabel(starred->labelId());
    }
}

void Conversation::unstar() {
    setStarWeight(std::nullopt);
    setField(FieldUnstar, true);
    if (const auto starred = systemLabel(Label::TypeStarred)) {
        removeLabel(starred->labelId());
    }
}

std::shared_ptr<Label> Conversation::systemLabel(int type) const {
    const auto session = repositorySession();
    return session ? session->labelByType(type) : nullptr;
}

// --- labels ---

void Conversation::addLabel(const QString& labelId) {
    QJsonArray ids = labelIdArray(labelIdsText());
    if (!ids.contains(labelId)) {
        ids.append(labelId);
    }
    willChangeProperty(u"label_ids"_s);
    setLabelIdsText(compactJson(ids));
    updateLabels();
    setField(FieldLabels, true);
    notifyPropertyChanges();
}

void Conversation::removeLabel(const QString& labelId) {
    bool isArray = false;
    QJsonArray ids = labelIdArray(labelIdsText(), &isArray);
    if (!isArray || !ids.contains(labelId)) {
        return;
    }
    for (qsizetype i = ids.size() - 1; i >= 0; --i) {
        if (ids[i].toString() == labelId) {
            ids.removeAt(i);
        }
    }
    willChangeProperty(u"label_ids"_s);
    setLabelIdsText(compactJson(ids));
    updateLabels();
    setField(FieldLabels, true);
}

// --- settings ---

void Conversation::changeTopic(const QString& topic) {
    if (topic == this->topic()) {
        return;
    }
    setTopic(topic);
    updateTopicNotifyImmediately(true);
    if (isNewConversation()) {
        // Not on the service yet: the topic goes with the creation.
        changeValueForKey(u"topicText"_s, [this] { awakeFromFetch(); });
    } else {
        setField(FieldTopic, true);
    }
}

void Conversation::setSnoozeInterval(double seconds) {
    const QStringList keys{u"snooze_time"_s, u"isNotifyingUnread"_s};
    for (const QString& key : keys) {
        willChangeValueForKey(key);
    }
    setSnoozeIntervalValue(seconds);
    if (seconds < kShortestSnooze) {
        setSnoozeTime(QDateTime());
    } else {
        setSnoozeTime(platform::Scheduler::main().currentDate().addMSecs(
            static_cast<qint64>(seconds * 1000.0)));
    }
    setField(FieldSnooze, true);
    for (const QString& key : keys) {
        didChangeValueForKey(key);
    }
}

void Conversation::archive() {
    if (isArchived()) {
        return;
    }
    markRead();
    const QStringList keys{u"isArchived"_s, u"labels"_s};
    for (const QString& key : keys) {
        willChangeValueForKey(key);
    }
    setHideMessageNr(lastMessageNr().value_or(0));
    setLabelIdsText(QString());
    updateLabels();
    setField(FieldArchive, true);
    for (const QString& key : keys) {
        didChangeValueForKey(key);
    }
}

void Conversation::unarchive() {
    if (!isArchived()) {
        return;
    }
    changeValueForKey(u"isArchived"_s, [this] {
        setHideMessageNr(0);
        setField(FieldArchive, true);
    });
}

void Conversation::snooze() {
    if (const auto session = repositorySession()) {
        session->snoozeConversation(conversationId(), readMessageNr().value_or(0), nullptr,
                                    nullptr);
    }
}

void Conversation::setSharingEnabled(bool enabled) {
    if (hasFlag(FlagAutojoin) == enabled) {
        return;
    }
    const std::int64_t bit = std::int64_t{1} << FlagAutojoin;
    setFlags(enabled ? flags() | bit : flags() & ~bit);
    setField(FieldSharing, true);
}

void Conversation::setUrlPreviewDisabled(bool disabled) {
    if (isUrlPreviewDisabled() == disabled) {
        return;
    }
    setUrlPreviewDisabledValue(disabled);
    setField(FieldUrlPreviews, true);
}

void Conversation::setIsDisclose(bool disclose) {
    if (isDisclose() == disclose) {
        return;
    }
    setIsDiscloseValue(disclose);
    setField(FieldDisclose, true);
}

void Conversation::setIsList(bool list) {
    if (isList() == list) {
        return;
    }
    setIsListValue(list);
    setField(FieldList, true);
}

// --- members ---

void Conversation::removeMembers(const QStringList& accountIds, std::function<void()> onSuccess,
                                 std::function<void(const ZVErrorPtr&)> onError) {
    if (isNewConversation()) {
        const auto& roster = sortedMembers();
        for (const QString& accountId : accountIds) {
            if (const auto entry = roster->memberByAccountId(accountId)) {
                roster->revokeAdd(entry);
            }
        }
        return;
    }
    if (const auto session = repositorySession()) {
        session->removeMembers(accountIds, conversationId(), std::move(onSuccess),
                               std::move(onError));
    }
}

void Conversation::removeTeam(const QString& teamId, std::function<void()> onSuccess,
                              std::function<void(const ZVErrorPtr&)> onError) {
    if (!teamsArray().contains(teamId)) {
        sortedMembers()->revokeAddTeam(teamId);
        return;
    }
    if (const auto session = repositorySession()) {
        session->removeTeams({teamId}, conversationId(), std::move(onSuccess), std::move(onError));
    }
}

void Conversation::leave() {
    if (const auto session = repositorySession()) {
        session->leaveConversationWithId(conversationId());
    }
}

void Conversation::reportConversationOpened(std::function<void()> onCompletion,
                                            std::function<void(const ZVErrorPtr&)> onError) {
    const auto session = repositorySession();
    if (!session || !localUserIsMember() || isNewConversation()) {
        if (onCompletion) {
            onCompletion();
        }
        return;
    }
    const auto request = std::make_shared<ZVApiRequest>(u"conversation/show_activity/%@",
                                                        conversationId(), std::nullopt);
    request->setSuccessHandler(std::move(onCompletion));
    request->setErrorHandler([onError = std::move(onError)](const ZVErrorPtr& error) {
        if (onError) {
            onError(error);
        }
    });
    session->sendRequest(request);
}

// --- the commit ---

void Conversation::setField(int field, bool dirty) {
    const bool neededSync = needsSync();
    ZVManagedObject::setField(field, dirty);
    if (dirty) {
        changedSinceRequest_ |= std::uint32_t{1} << field;
    }
    if (dirty && !neededSync && isFieldDirty(field)) {
        scheduleSync();
    }
}

void Conversation::scheduleSync() {
    const std::weak_ptr<Conversation> weak = self();
    syncTimer_ = platform::Scheduler::main().after(kSyncDelay, [weak] {
        if (const auto conversation = weak.lock()) {
            conversation->sync();
        }
    });
}

void Conversation::clearCommittedFields(std::uint32_t sent) {
    // A field changed while the request was out stays dirty; the session commits the
    // conversation again after each answer, which sends it.
    setUncommittedFields(uncommittedFields() & ~(sent & ~changedSinceRequest_));
}

void Conversation::sync() {
    if (const auto session = repositorySession()) {
        session->commitObject(self());
    }
}

std::shared_ptr<ZVApiRequest> Conversation::getSyncRequest() {
    // Message edits go first; the other fields wait for a later commit.
    if (isFieldDirty(FieldMessageEdit)) {
        if (auto request = getMessageSyncRequest()) {
            return request;
        }
    }
    const QJsonObject arguments = storeArguments();
    if (arguments.isEmpty()) {
        return getLoadSyncRequest();
    }
    const auto request =
        std::make_shared<ZVApiRequest>(u"conversation/store/%@", conversationId(), arguments);
    request->setPriority(storePriority());
    request->setHandler([](ZVJsonParser&) -> ZVErrorPtr { return nullptr; });
    // The answer settles the fields the request carried, not those changed while it was out.
    const std::uint32_t sent = uncommittedFields();
    changedSinceRequest_ = 0;
    const std::weak_ptr<Conversation> weak = self();
    request->setSuccessHandler([weak, sent] {
        if (const auto conversation = weak.lock()) {
            conversation->clearCommittedFields(sent);
        }
    });
    request->setErrorHandler([weak, sent](const ZVErrorPtr& error) {
        const auto conversation = weak.lock();
        if (conversation && isRefusal(error)) {
            conversation->clearCommittedFields(sent);
        }
    });
    return request;
}

int Conversation::storePriority() const {
    const bool othersThanRead = std::ranges::any_of(
        std::array{FieldUnread, FieldUnstar, FieldTopic, FieldSnooze, FieldArchive, FieldSharing},
        [this](int field) { return isFieldDirty(field); });
    return isFieldDirty(FieldRead) && !othersThanRead ? kReadOnlyPriority : kStorePriority;
}

QJsonObject Conversation::storeArguments() const {
    QJsonObject arguments;
    const auto readNr = [this] {
        const auto nr = readMessageNr();
        return nr ? QJsonValue(qint64(*nr)) : QJsonValue();
    };
    // In this order, so that one "read_message_nr" carries the final value.
    if (isFieldDirty(FieldRead)) {
        arguments.insert(u"read_message_nr"_s, readNr());
    }
    if (isFieldDirty(FieldUnread)) {
        arguments.insert(u"read_message_nr"_s, readNr());
    }
    if (isFieldDirty(FieldUnstar)) {
        const auto weight = starWeight();
        arguments.insert(u"star_weight"_s, weight ? QJsonValue(*weight) : QJsonValue());
    }
    if (isFieldDirty(FieldTopic)) {
        arguments.insert(u"topic"_s, topic());
    }
    if (isFieldDirty(FieldArchive)) {
        arguments.insert(u"hide_message_nr"_s, qint64(hideMessageNr().value_or(0)));
    }
    if (isFieldDirty(FieldSnooze)) {
        const auto interval = snoozeInterval();
        arguments.insert(u"snooze_interval"_s, interval ? QJsonValue(*interval) : QJsonValue());
    }
    if (isFieldDirty(FieldSharing)) {
        arguments.insert(u"is_autojoin"_s, hasFlag(FlagAutojoin));
    }
    if (isFieldDirty(FieldUrlPreviews)) {
        arguments.insert(u"is_url_preview_disabled"_s, isUrlPreviewDisabled());
    }
    if (isFieldDirty(FieldDisclose)) {
        arguments.insert(u"is_disclose"_s, isDisclose());
    }
    if (isFieldDirty(FieldList)) {
        arguments.insert(u"is_list"_s, isList());
    }
    // Sent as "label_ids", the key the service reads and the records carry.
    if (isFieldDirty(FieldLabels)) {
        arguments.insert(u"label_ids"_s, labelIdArray(labelIdsText()));
    }
    return arguments;
}
