#include "ZelvoKit/model/Conversation.h"

#include "ZelvoKit/model/Member.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"

#include <QtCore/QHash>
#include <QtCore/QJsonDocument>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kIsReset;
using zvrecord::kMembers;
using zvrecord::kReadMessageNr;

namespace {

using namespace Qt::Literals::StringLiterals;
using JsonClass = ZVJsonParser::JsonClass;

// Read by the base's mapping. "snooze_time" is not among them: a 0 in it clears the snooze, which
// the mapping would store as a date of its own.
const QStringList& plainKeys() {
    static const QStringList keys{
        u"conversation_id"_s, u"inbox_message_nr"_s,  u"last_message_nr"_s,
        u"my_message_nr"_s,   u"can_post"_s,          u"fw_message_nr"_s,
        u"file_horizon"_s,    u"pin_horizon"_s,       u"task_horizon"_s,
        u"topic"_s,           u"join_message_nr"_s,   u"hide_message_nr"_s,
        u"unread_count"_s,    u"last_inbox_nr"_s,     u"cmail"_s,
        u"autojoin_url"_s,    u"star_weight"_s,       u"is_url_preview_disabled"_s,
        u"is_disclose"_s,     u"last_message_time"_s, u"snooze_interval"_s,
        u"default_topic"_s,   u"delete_message_nr"_s, u"disclose_message_nr"_s,
        u"inbox_time"_s,      u"has_email_subject"_s, u"show_message_nr"_s,
        u"is_list"_s,         u"is_managed"_s,        u"organisation_id"_s,
    };
    return keys;
}

// A field changed here and not yet sent keeps its local value: the record was written before the
// service had the change, and taking it would undo the change and send the old value back.
struct LocalField {
    int field;
    QLatin1StringView key;
};
constexpr std::array<LocalField, 7> kLocalFields{{
    {Conversation::FieldUnstar, QLatin1StringView("star_weight")},
    {Conversation::FieldTopic, QLatin1StringView("topic")},
    {Conversation::FieldSnooze, QLatin1StringView("snooze_interval")},
    {Conversation::FieldArchive, QLatin1StringView("hide_message_nr")},
    {Conversation::FieldUrlPreviews, QLatin1StringView("is_url_preview_disabled")},
    {Conversation::FieldDisclose, QLatin1StringView("is_disclose")},
    {Conversation::FieldList, QLatin1StringView("is_list")},
}};
const QString kSnoozeTime = u"snooze_time"_s;
const QString kBwMessageNr = u"bw_message_nr"_s;
const QString kHasSkippedContent = u"has_skipped_content"_s;
const QString kFileHorizon = u"file_horizon"_s;
const QString kIsInit = u"is_init"_s;
const QString kIsTiny = u"is_tiny"_s;
const QString kLabelIds = u"label_ids"_s;
const QString kFlags = u"flags"_s;
const QString kTeams = u"teams"_s;
const QString kAdmins = u"admins"_s;

// Record keys of the bits of `flags`.
struct FlagKey {
    QLatin1StringView key;
    int bit;
};
constexpr std::array<FlagKey, 5> kFlagKeys{{
    {QLatin1StringView("has_pinboard"), Conversation::FlagPinboard},
    {QLatin1StringView("has_taskboard"), Conversation::FlagTaskboard},
    {QLatin1StringView("has_task_archive"), Conversation::FlagTaskArchive},
    {QLatin1StringView("is_premium"), Conversation::FlagPremium},
    {QLatin1StringView("is_autojoin"), Conversation::FlagAutojoin},
}};
constexpr int kStoredFlagBits = 32;
// A snooze time this close to the epoch is the service's way of saying "no snooze".
constexpr qint64 kNoSnoozeBeforeMs = 1000;

QString compactJson(const QJsonArray& array) {
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

}  // namespace

QStringList Conversation::keysToRead() const {
    QStringList keys = plainKeys();
    for (const LocalField& local : kLocalFields) {
        if (isFieldDirty(local.field)) {
            keys.removeOne(QString(local.key));
        }
    }
    return keys;
}

ZVErrorPtr Conversation::deserializeFromJson(ZVJsonParser& parser) {
    const bool wasUnread = isUnread();
    // What the service says of the conversation now may make a refused load answerable.
    messageLoadRefused_ = false;

    setFields(keysToRead(), parser);
    readCompleteness(parser);
    readReadHorizon(parser);
    readSkippedContent(parser);
    if (parser.containsValue(kFileHorizon)) {
        willChangeProperty(u"allFilesLoaded"_s);
    }
    readSnooze(parser);
    readLabels(parser);
    readFlags(parser);

    if (isUnread() != wasUnread) {
        willChangeProperties({u"isUnread"_s, u"isNotifyingUnread"_s});
    }
    if (parser.error()) {
        return parser.error();
    }
    return updateMembersFromJson(parser);
}

void Conversation::readCompleteness(ZVJsonParser& parser) {
    std::int64_t level = RecordNone;
    if (parser.extractBool(kIsInit, false) || parser.extractBool(kIsReset, false)) {
        level = RecordFull;
    }
    if (parser.extractBool(kIsTiny, false)) {
        level = RecordTiny;
    }
    // What the records told is never forgotten by a shorter one.
    if (level > recordCompleteness()) {
        setRecordCompleteness(level);
    }
}

void Conversation::readReadHorizon(ZVJsonParser& parser) {
    const std::optional<std::int64_t> current = readMessageNr();
    if (!parser.containsValue(kReadMessageNr)) {
        return;
    }
    const std::int64_t incoming = parser.extractInt(kReadMessageNr, current.value_or(0));
    if (current == incoming) {
        return;
    }
    // The user's own mark wins until the service has it: an unsent "unread" keeps the horizon,
    // an unsent "read" only lets it move further.
    if (isFieldDirty(FieldUnread)) {
        return;
    }
    if (isFieldDirty(FieldRead) && incoming <= current.value_or(0)) {
        return;
    }
    willChangeProperty(kReadMessageNr);
    setReadMessageNrValue(incoming);
}

void Conversation::readSkippedContent(ZVJsonParser& parser) {
    const std::optional<bool> skipped = parser.containsValue(kHasSkippedContent)
                                            ? parser.extractBool(kHasSkippedContent)
                                            : std::optional<bool>();
    if (skipped.value_or(false)) {
        // The record's back edge describes what was left out, not what the store holds.
        willChangeProperty(u"hasSkippedContent"_s);
        hasSkippedContent_ = true;
        return;
    }
    if (skipped && hasSkippedContent_) {
        willChangeProperty(u"hasSkippedContent"_s);
        hasSkippedContent_ = false;
    }
    if (!parser.containsValue(kBwMessageNr)) {
        return;
    }
    const std::optional<std::int64_t> current = bwMessageNr();
    const std::int64_t incoming = parser.extractInt(kBwMessageNr, current.value_or(0));
    if (current != incoming) {
        willChangeProperty(kBwMessageNr);
        setBwMessageNr(incoming);
    }
}

void Conversation::readSnooze(ZVJsonParser& parser) {
    if (!parser.containsValue(kSnoozeTime)) {
        return;
    }
    const QDateTime current = snoozeTime();
    const QDateTime incoming = parser.extractDate(kSnoozeTime, current);
    const QDateTime next = incoming.isValid() && incoming.toMSecsSinceEpoch() < kNoSnoozeBeforeMs
                               ? QDateTime()
                               : incoming;
    if (next.isValid() == current.isValid() && (!next.isValid() || next == current)) {
        return;
    }
    willChangeProperty(kSnoozeTime);
    setSnoozeTime(next);
}

void Conversation::readLabels(ZVJsonParser& parser) {
    if (isFieldDirty(FieldLabels)) {
        return;
    }
    const QJsonValue labels = parser.extractValue(kLabelIds, false, JsonClass::Array);
    if (!labels.isArray()) {
        return;
    }
    const QString text = compactJson(labels.toArray());
    if (text != labelIdsText()) {
        willChangeProperty(kLabelIds);
        setLabelIdsText(text);
    }
}

void Conversation::readFlags(ZVJsonParser& parser) {
    std::int64_t next = extractFlags(parser);
    if (isFieldDirty(FieldSharing)) {
        const std::int64_t sharing = std::int64_t{1} << FlagAutojoin;
        next = (next & ~sharing) | (flags() & sharing);
    }
    if (next != flags()) {
        willChangeProperty(kFlags);
        setFlags(next);
    }
}

std::int64_t Conversation::extractFlag(const QString& key, ZVJsonParser& parser, int bit) const {
    if (bit < 0 || bit >= kStoredFlagBits) {
        return 0;
    }
    const std::int64_t value = std::int64_t{1} << bit;
    return parser.extractBool(key, hasFlag(bit)) ? value : 0;
}

std::int64_t Conversation::extractFlags(ZVJsonParser& parser) const {
    std::int64_t flags = 0;
    for (const FlagKey& flag : kFlagKeys) {
        flags |= extractFlag(QString(flag.key), parser, flag.bit);
    }
    return flags;
}

// --- members ---

ZVErrorPtr Conversation::updateMembersFromJson(ZVJsonParser& parser) {
    const QJsonValue teams = parser.extractValue(kTeams, false, JsonClass::Any);
    if (teams.isArray()) {
        const QString text = compactJson(teams.toArray());
        if (text != teamsText()) {
            setTextOf(Teams, text);
        }
    }
    updateTeams();

    const QJsonValue list = parser.extractValue(kMembers, false, JsonClass::Any);
    if (!list.isArray()) {
        return nullptr;
    }
    QStringList accountIds;
    for (const QJsonValue& entry : list.toArray()) {
        if (!entry.isString()) {
            return ZVError::errorWithCode(ZVError::WrongValueClass, {{u"key"_s, kMembers}});
        }
        if (!accountIds.contains(entry.toString())) {
            accountIds.append(entry.toString());
        }
    }
    QSet<QString> admins;
    for (const QJsonValue& admin : parser.extractValue(kAdmins, false, JsonClass::Any).toArray()) {
        admins.insert(admin.toString());
    }

    // A member who stays keeps their row (and read horizon); rows are made only for newcomers,
    // and the rows of those who left go with the set.
    QHash<QString, std::shared_ptr<Member>> existing;
    for (const auto& member : members()) {
        existing.insert(member->accountId(), member);
    }
    std::vector<std::shared_ptr<platform::ManagedObject>> kept;
    std::vector<std::shared_ptr<Member>> created;
    for (const QString& accountId : std::as_const(accountIds)) {
        std::shared_ptr<Member> member = existing.value(accountId);
        if (!member) {
            member = createMemberWithAccountId(accountId);
            if (!member) {
                for (const auto& made : created) {
                    if (const auto session = repositorySession();
                        session && session->repository()) {
                        session->repository()->deleteObject(made);
                    }
                }
                return ZVError::errorWithCode(ZVError::InvalidData);
            }
            created.push_back(member);
            // Someone the roster already follows keeps the horizon it knows.
            if (sortedMembers_) {
                if (const auto entry = sortedMembers_->memberByAccountId(accountId)) {
                    member->setReadHorizon(entry->readHorizon());
                }
            }
        }
        member->setIsAdmin(admins.contains(accountId));
        kept.push_back(member);
    }
    if (auto error = setRelatedObjects(QString(kMembersRelationship), kept)) {
        return ZVError::errorWithCode(ZVError::InvalidData);
    }
    return nullptr;
}

std::shared_ptr<Member> Conversation::createMemberWithAccountId(const QString& accountId) {
    const auto session = repositorySession();
    if (!session || !session->repository()) {
        return nullptr;
    }
    auto member = session->repository()->createObjectOfClass<Member>(QString(Member::kEntityName));
    if (!member) {
        return nullptr;
    }
    member->setRelatedObject(QString(Member::kConversationRelationship), self());
    member->setAccountId(accountId);
    return member;
}
