#include "ZelvoKit/model/Conversation.h"

#include "ZelvoKit/model/Member.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMessageQueue.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Format.h"

#include <QtCore/QJsonDocument>

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::AttributeOptions;
using platform::AttributeType;

// Numbers of `flags` that a conversation can hold.
constexpr int kFlagBits = 32;

}  // namespace

const std::array<Conversation::AttributeSpec, Conversation::AttributeCount>&
Conversation::attributeSpecs() {
    using T = AttributeType;
    static const std::array<AttributeSpec, AttributeCount> specs{{
        {ConversationId, QLatin1StringView("conversation_id"), T::String},
        {InboxMessageNr, QLatin1StringView("inbox_message_nr"), T::Integer32},
        {LastMessageNr, QLatin1StringView("last_message_nr"), T::Integer32},
        {MyMessageNr, QLatin1StringView("my_message_nr"), T::Integer32},
        {CanPost, QLatin1StringView("can_post"), T::Boolean},
        {FwMessageNr, QLatin1StringView("fw_message_nr"), T::Integer32},
        {FileHorizon, QLatin1StringView("file_horizon"), T::Integer32},
        {PinHorizon, QLatin1StringView("pin_horizon"), T::Integer32},
        {TaskHorizon, QLatin1StringView("task_horizon"), T::Integer32},
        {Topic, QLatin1StringView("topic"), T::String},
        {JoinMessageNr, QLatin1StringView("join_message_nr"), T::Integer32},
        {HideMessageNr, QLatin1StringView("hide_message_nr"), T::Integer32},
        {UnreadCount, QLatin1StringView("unread_count"), T::Integer32},
        {LastInboxNr, QLatin1StringView("last_inbox_nr"), T::Integer32},
        {Cmail, QLatin1StringView("cmail"), T::String},
        {SnoozeTime, QLatin1StringView("snooze_time"), T::Date},
        {AutojoinUrl, QLatin1StringView("autojoin_url"), T::String},
        {StarWeight, QLatin1StringView("star_weight"), T::Double},
        {IsUrlPreviewDisabled, QLatin1StringView("is_url_preview_disabled"), T::Boolean},
        {IsDisclose, QLatin1StringView("is_disclose"), T::Boolean},
        {LastMessageTime, QLatin1StringView("last_message_time"), T::Date},
        {SnoozeInterval, QLatin1StringView("snooze_interval"), T::Double},
        {DefaultTopic, QLatin1StringView("default_topic"), T::String},
        {DeleteMessageNr, QLatin1StringView("delete_message_nr"), T::Integer32},
        {DiscloseMessageNr, QLatin1StringView("disclose_message_nr"), T::Integer32},
        {InboxTime, QLatin1StringView("inbox_time"), T::Date},
        {HasEmailSubject, QLatin1StringView("has_email_subject"), T::Boolean},
        {ShowMessageNr, QLatin1StringView("show_message_nr"), T::Integer32},
        {IsList, QLatin1StringView("is_list"), T::Boolean},
        {IsManaged, QLatin1StringView("is_managed"), T::Boolean},
        {OrganisationId, QLatin1StringView("organisation_id"), T::String},
        {ReadMessageNr, QLatin1StringView("read_message_nr"), T::Integer32},
        {BwMessageNr, QLatin1StringView("bw_message_nr"), T::Integer32},
        {LabelIds, QLatin1StringView("label_ids"), T::String},
        {Flags, QLatin1StringView("flags"), T::Integer32},
        {Teams, QLatin1StringView("teams"), T::String},
        {PendingMessageNr, QLatin1StringView("pending_message_nr"), T::Integer32},
        {PendingMessage, QLatin1StringView("pending_message"), T::String},
        {RecordCompletenessLevel, QLatin1StringView("mk_record_completeness"), T::Integer32},
    }};
    return specs;
}

QString Conversation::attributeName(Attribute attribute) {
    return QString(attributeSpecs()[attribute].name);
}

Conversation::Conversation(const platform::EntityDescription& entity) : ZVManagedObject(entity) {
    for (const AttributeSpec& spec : attributeSpecs()) {
        index_[spec.attribute] = entity.attributeIndex(QString(spec.name));
    }
}

Conversation::~Conversation() = default;

void Conversation::describeAttributes(platform::EntityDescription& entity) {
    for (const AttributeSpec& spec : attributeSpecs()) {
        AttributeOptions options;
        if (spec.attribute == ConversationId) {
            options.optional = false;
            options.indexed = true;
        }
        entity.addAttribute(QString(spec.name), spec.type, options);
    }
}

// --- values ---

void Conversation::setTextOf(Attribute attribute, const QString& value) {
    if (value.isNull()) {
        if (!isNull(index_[attribute])) {
            setNull(index_[attribute]);
        }
    } else if (value != textOf(attribute)) {
        setString(index_[attribute], value);
    }
}

void Conversation::setFlagOf(Attribute attribute, bool value) {
    if (isNull(index_[attribute]) || value != flagOf(attribute)) {
        setBool(index_[attribute], value);
    }
}

std::optional<std::int64_t> Conversation::number(Attribute attribute) const {
    const int index = index_[attribute];
    if (isNull(index)) {
        return std::nullopt;
    }
    return integerValue(index);
}

void Conversation::setNumber(Attribute attribute, std::optional<std::int64_t> value) {
    if (value == number(attribute)) {
        return;
    }
    if (value) {
        setInteger(index_[attribute], *value);
    } else {
        setNull(index_[attribute]);
    }
}

std::optional<double> Conversation::real(Attribute attribute) const {
    const int index = index_[attribute];
    if (isNull(index)) {
        return std::nullopt;
    }
    return doubleValue(index);
}

void Conversation::setReal(Attribute attribute, std::optional<double> value) {
    if (value == real(attribute)) {
        return;
    }
    if (value) {
        setDouble(index_[attribute], *value);
    } else {
        setNull(index_[attribute]);
    }
}

void Conversation::setDateOf(Attribute attribute, const QDateTime& value) {
    if (value == dateOf(attribute) && value.isValid() == dateOf(attribute).isValid()) {
        return;
    }
    if (value.isValid()) {
        setDate(index_[attribute], value);
    } else {
        setNull(index_[attribute]);
    }
}

std::vector<std::shared_ptr<Member>> Conversation::members() const {
    std::vector<std::shared_ptr<Member>> members;
    auto related = relatedObjects(QString(kMembersRelationship));
    if (!related) {
        return members;
    }
    members.reserve(related->size());
    for (const auto& object : *related) {
        if (auto member = std::dynamic_pointer_cast<Member>(object)) {
            members.push_back(std::move(member));
        }
    }
    return members;
}

// --- identity ---

const QStringList& Conversation::keyFields() const {
    static const QStringList keys{attributeName(ConversationId)};
    return keys;
}

QString Conversation::desc() const {
    return platform::format(u"Conversation: %@ \"%@\"", conversationId(), topic());
}

std::shared_ptr<ZVRepositorySession> Conversation::repositorySession() const {
    return std::dynamic_pointer_cast<ZVRepositorySession>(session());
}

std::shared_ptr<Conversation> Conversation::self() {
    return std::static_pointer_cast<Conversation>(shared_from_this());
}

// --- state the records set ---

bool Conversation::hasFlag(int flag) const {
    return flag >= 0 && flag < kFlagBits && (flags() & (std::int64_t{1} << flag)) != 0;
}

void Conversation::updateLabels() {
    labelsSet_.clear();
    const QString text = labelIdsText();
    if (text.isEmpty()) {
        return;
    }
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isArray()) {
        return;
    }
    for (const QJsonValue& id : document.array()) {
        if (id.isString()) {
            labelsSet_.insert(id.toString());
        }
    }
}

void Conversation::updateTeams() {
    teamsArray_ = QJsonArray();
    hasTeamsArray_ = false;
    const QString text = teamsText();
    if (text.isEmpty()) {
        return;
    }
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (document.isArray()) {
        teamsArray_ = document.array();
        hasTeamsArray_ = true;
    }
}

void Conversation::commitChanges() {
    commitStagedNumbers();
    commitNewMessages();
    updateTeams();
    if (sortedMembers_ && !isNewConversation()) {
        sortedMembers_->refreshAndNotify(true);
    }
    // Without local messages the queue has nothing left to send (0 keeps it).
    if (messageQueue_ && !pendingMessageNr()) {
        messageQueue_.reset();
    }
    updateInboxMessage();
    updateTopicNotifyImmediately(false);
    updateLabels();
    dropMessageCache();
    notifyPropertyChanges();
}

// --- the entity base ---

void Conversation::awakeFromFetch() {
    ZVManagedObject::awakeFromFetch();
    updateTeams();
    updateTopicNotifyImmediately(false);
    updateInboxMessage();
    notifyPropertyChanges();
    updateLabels();
}

void Conversation::willChangeProperties(const QStringList& keys) {
    ZVManagedObject::willChangeProperties(keys);
    const auto session = repositorySession();
    if (session && session->inTransaction() && !conversationId().isEmpty()) {
        session->conversationChanged(self());
    } else {
        scheduleNotifyPropertyChanges();
    }
}
