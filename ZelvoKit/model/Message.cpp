#include "ZelvoKit/model/Message.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ConversationWriters.h"
#include "ZelvoKit/model/ZVClassificators.h"
#include "ZelvoKit/model/ZVMarkupServices.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QRegularExpression>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kAccountId;
using zvrecord::kConversationId;
using zvrecord::kHookKey;
using zvrecord::kLockAccountId;
using zvrecord::kMessage;
using zvrecord::kMessageNr;
using zvrecord::kMessageType;
using zvrecord::kPostedTime;

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::AttributeOptions;
using platform::AttributeType;

const QString kTags = u"tags"_s;
const QString kEditedTime = u"edited_time"_s;
const QString kEditAccountId = u"edit_account_id"_s;
const QString kPinWeight = u"pin_weight"_s;
const QString kInboxNr = u"inbox_nr"_s;
const QString kPrevMessageNr = u"prev_message_nr"_s;
const QString kSenderName = u"sender_name"_s;
const QString kAssigneeIds = u"assignee_ids"_s;
const QString kSubject = u"subject"_s;
const QString kCleanedHtml = u"cleaned_html"_s;
const QString kClientRequestId = u"client_req_id"_s;

const QString kMarkedText = u"marked_text"_s;
const QString kSearchWeight = u"search_weight"_s;
const QString kIsNewSheet = u"is_new_sheet"_s;
const QString kHtmlEmailData = u"html_email_data"_s;
const QString kHtmlEmailCleanedHtml = u"html_email_data/cleaned_html"_s;

// The service marks the words of a search hit inside the body it sends.
constexpr QStringView kMarkTag = u"<mark>";
constexpr int kTagBits = 32;

// Read through the base mapping, which keeps what a record does not hold.
const QStringList& recordFields() {
    static const QStringList fields{kConversationId, kMessageNr,     kAccountId,     kPinWeight,
                                    kPostedTime,     kEditAccountId, kEditedTime,    kInboxNr,
                                    kHookKey,        kSenderName,    kPrevMessageNr, kSubject};
    return fields;
}

// The body of a search hit without its highlight: the "mark" elements give up their content.
QString unwrapMarks(const QString& body) {
    static const QRegularExpression mark(u"</?mark\\b[^>]*>"_s);
    QString plain = body;
    plain.remove(mark);
    return plain;
}

ZVMessageRepresentation::Factory& representationFactory() {
    static ZVMessageRepresentation::Factory factory;
    return factory;
}

std::uint32_t bit(int number) {
    return std::uint32_t{1} << number;
}

}  // namespace

Message::Message(const platform::EntityDescription& entity)
    : ZVManagedObject(entity),
      conversationId_(entity.attributeIndex(kConversationId)),
      messageNr_(entity.attributeIndex(kMessageNr)),
      accountId_(entity.attributeIndex(kAccountId)),
      message_(entity.attributeIndex(kMessage)),
      messageType_(entity.attributeIndex(kMessageType)),
      tags_(entity.attributeIndex(kTags)),
      postedTime_(entity.attributeIndex(kPostedTime)),
      editedTime_(entity.attributeIndex(kEditedTime)),
      editAccountId_(entity.attributeIndex(kEditAccountId)),
      pinWeight_(entity.attributeIndex(kPinWeight)),
      inboxNr_(entity.attributeIndex(kInboxNr)),
      hookKey_(entity.attributeIndex(kHookKey)),
      prevMessageNr_(entity.attributeIndex(kPrevMessageNr)),
      senderName_(entity.attributeIndex(kSenderName)),
      assigneeIds_(entity.attributeIndex(kAssigneeIds)),
      subject_(entity.attributeIndex(kSubject)),
      cleanedHtml_(entity.attributeIndex(kCleanedHtml)),
      clientRequestId_(entity.attributeIndex(kClientRequestId)) {}

Message::~Message() = default;

void Message::describeAttributes(platform::EntityDescription& entity) {
    AttributeOptions required;
    required.optional = false;
    entity.addAttribute(kConversationId, AttributeType::String, required);
    entity.addAttribute(kMessageNr, AttributeType::Integer64, required);
    entity.addAttribute(kAccountId, AttributeType::String);
    entity.addAttribute(kMessage, AttributeType::String);
    entity.addAttribute(kMessageType, AttributeType::Integer32);
    AttributeOptions noTags;
    noTags.defaultValue = 0;
    // 64 bits, so that a mask with bit 31 set stays positive.
    entity.addAttribute(kTags, AttributeType::Integer64, noTags);
    entity.addAttribute(kPostedTime, AttributeType::Date);
    entity.addAttribute(kEditedTime, AttributeType::Date);
    entity.addAttribute(kEditAccountId, AttributeType::String);
    entity.addAttribute(kPinWeight, AttributeType::Double);
    entity.addAttribute(kInboxNr, AttributeType::Integer64);
    entity.addAttribute(kHookKey, AttributeType::String);
    entity.addAttribute(kPrevMessageNr, AttributeType::Integer64);
    entity.addAttribute(kSenderName, AttributeType::String);
    entity.addAttribute(kAssigneeIds, AttributeType::String);
    entity.addAttribute(kSubject, AttributeType::String);
    entity.addAttribute(kCleanedHtml, AttributeType::String);
    entity.addAttribute(kClientRequestId, AttributeType::String);
    // One row per message: a record for a message that is not in memory finds its row, and the
    // window's range reads walk the same index.
    entity.addIndex({kConversationId, kMessageNr}, true);
    entity.addIndex({kConversationId, kInboxNr});
}

void Message::setRepresentationClass(ZVMessageRepresentation::Factory factory) {
    representationFactory() = std::move(factory);
}

std::optional<int> Message::extractMessageType(ZVJsonParser& parser) {
    const QString word = parser.extractString(kMessageType);
    if (word.isNull()) {
        return std::nullopt;
    }
    return ZVClassificators::mk_message_type().value(word, TypeSystem);
}

std::uint32_t Message::extractMessageTags(ZVJsonParser& parser) {
    std::uint32_t tags = ZVClassificators::extractTags(parser, ZVClassificators::mk_message_tag());
    if (parser.extractBool(kIsNewSheet, false)) {
        tags |= bit(TagNewSheet);
    }
    return tags;
}

// --- stored values ---

std::optional<int> Message::messageType() const {
    if (isNull(messageType_)) {
        return std::nullopt;
    }
    return static_cast<int>(integerValue(messageType_));
}

std::optional<double> Message::pinWeight() const {
    if (isNull(pinWeight_)) {
        return std::nullopt;
    }
    return doubleValue(pinWeight_);
}

void Message::setPinWeightValue(std::optional<double> weight) {
    if (weight) {
        setDouble(pinWeight_, *weight);
    } else {
        setNull(pinWeight_);
    }
}

std::optional<std::int64_t> Message::inboxNr() const {
    if (isNull(inboxNr_)) {
        return std::nullopt;
    }
    return integerValue(inboxNr_);
}

std::optional<std::int64_t> Message::prevMessageNr() const {
    if (isNull(prevMessageNr_)) {
        return std::nullopt;
    }
    return integerValue(prevMessageNr_);
}

// --- identity ---

const QStringList& Message::keyFields() const {
    static const QStringList keys{kConversationId, kMessageNr};
    return keys;
}

QString Message::guid() const {
    return u"%1:%2"_s.arg(conversationId()).arg(messageNr());
}

QString Message::desc() const {
    return u"Message: %1:%2"_s.arg(conversationId()).arg(messageNr());
}

// --- reading ---

ZVErrorPtr Message::deserializeFromJson(ZVJsonParser& parser) {
    setFields(recordFields(), parser);

    // A new message must say what it is; a fragment keeps the type it has.
    if (isReadingNewObject()) {
        if (const auto type = extractMessageType(parser)) {
            setMessageType(*type);
        }
    } else if (const QString word = parser.extractString(kMessageType, QString()); !word.isNull()) {
        setMessageType(ZVClassificators::mk_message_type().value(word, TypeSystem));
    }

    readBody(parser);
    searchWeight_ = parser.extractInt(kSearchWeight, 0);
    readLock(parser);
    readTags(parser);
    readAssignees(parser);
    if (isOfType(TypeSeparator)) {
        setTags(tags() | bit(TagTodo));
    }
    readHtmlEmail(parser);

    // A search hit keeps the display model it has: the highlight is shown from markedText.
    if (markedText_.isNull() && representation_) {
        if (isTextMessage()) {
            representation_->refresh();
        } else {
            representation_.reset();
        }
    }
    return parser.error();
}

void Message::readBody(ZVJsonParser& parser) {
    const QString body = isReadingNewObject() ? parser.extractString(kMessage)
                                              : parser.extractString(kMessage, QString());
    const QString markedText = parser.extractString(kMarkedText, QString());
    if (body.isNull()) {
        return;
    }
    if (body.contains(kMarkTag)) {
        // A search hit: the highlighted body is not the stored one. A message seen for the
        // first time through a search still needs a body, the hit's without its marks.
        if (isNull(message_)) {
            setMessage(unwrapMarks(body));
        }
        markedText_ = body;
        return;
    }
    // An edit not yet sent is newer than any record: the store request reads the body when it
    // goes, so taking the record's would send the old text back as the edit.
    if (isFieldDirty(FieldBody) && !isReadingNewObject()) {
        return;
    }
    if (body != message()) {
        applyFileDiff(body);
        setMessage(body);
    }
    if (!markedText.isNull()) {
        markedText_ = markedText;
    }
}

void Message::applyFileDiff(const QString& newBody) {
    // A new message has no body yet, so no file can leave it: reading the XML would cost every
    // record of an initial sync a parser for nothing.
    if (message().isEmpty()) {
        return;
    }
    const std::optional<QStringList> oldKeys = ZVMarkupServices::extractFiles(message());
    if (!oldKeys || oldKeys->isEmpty()) {
        return;
    }
    const QStringList newKeys = ZVMarkupServices::extractFiles(newBody).value_or(QStringList());
    QStringList removed;
    for (const QString& key : *oldKeys) {
        if (!newKeys.contains(key)) {
            removed.append(key);
        }
    }
    const auto session = std::dynamic_pointer_cast<ZVRepositorySession>(this->session());
    if (removed.isEmpty() || !session || !session->repository()) {
        return;
    }
    const QHash<QString, std::shared_ptr<File>> files =
        session->filesInMessageNr(messageNr(), conversationId());
    for (const QString& key : std::as_const(removed)) {
        if (const std::shared_ptr<File> file = files.value(key)) {
            // Off the file board before the object goes, so the board never lists a deleted file.
            if (const auto owner = conversation()) {
                owner->deleteFile(key, messageNr());
            }
            session->repository()->deleteObject(file);
        }
    }
}

void Message::readLock(ZVJsonParser& parser) {
    const QString lockAccountId = parser.extractString(kLockAccountId, QString());
    const auto owner = conversation();
    if (!lockAccountId.isNull() && owner) {
        owner->updateActivityBy(lockAccountId, !lockAccountId.isEmpty(), messageNr());
    }
}

void Message::readTags(ZVJsonParser& parser) {
    if (!parser.values().toObject().value(kTags).isArray()) {
        return;
    }
    const std::uint32_t tags = extractMessageTags(parser);
    // The unlock tag ends the edit of whoever held the message.
    if ((tags & bit(TagUnlock)) != 0) {
        const QString editor = lockAccountId();
        const auto owner = conversation();
        if (!editor.isEmpty() && owner) {
            owner->updateActivityBy(editor, false, messageNr());
        }
    }
    if (tags != this->tags()) {
        setTags(tags);
    }
}

void Message::readAssignees(ZVJsonParser& parser) {
    const QJsonValue ids = parser.values().toObject().value(kAssigneeIds);
    if (!ids.isArray()) {
        return;
    }
    QStringList parts;
    for (const QJsonValue& id : ids.toArray()) {
        if (id.isString()) {
            parts.append(id.toString());
        }
    }
    setString(assigneeIds_, parts.join(u' '));
    updateAssignees();
}

void Message::readHtmlEmail(ZVJsonParser& parser) {
    if (!parser.values().toObject().value(kHtmlEmailData).isObject()) {
        return;
    }
    const QString html = parser.extractString(kHtmlEmailCleanedHtml);
    if (!html.isNull()) {
        setString(cleanedHtml_, html);
    }
    setMessageType(TypeHtmlEmail);
}

void Message::awakeFromFetch() {
    ZVManagedObject::awakeFromFetch();
    updateAssignees();
}

void Message::updateAssignees() {
    const QString ids = assigneeIdsText();
    if (ids.isEmpty()) {
        assignees_.reset();
        return;
    }
    const QStringList parts = ids.split(u' ', Qt::SkipEmptyParts);
    assignees_ = QSet<QString>(parts.cbegin(), parts.cend());
}

// --- questions ---

bool Message::hasTag(int number) const {
    return number >= 0 && number < kTagBits && (tags() & bit(number)) != 0;
}

bool Message::isTextMessage() const {
    return isOfType(TypeText) || isOfType(TypeEmail) || isOfType(TypeHtmlEmail);
}

bool Message::isDeletedMessage() const {
    if (hasTag(TagDeleted)) {
        return true;
    }
    const bool emptiable = isTextMessage() || isOfType(TypeFile);
    return emptiable && message().isEmpty();
}

bool Message::isEdited() const {
    return !editAccountId().isEmpty() && !isDeletedMessage() && isTextMessage();
}

bool Message::isPinned() const {
    return (hasTag(TagPin) || hasTag(TagArchived)) && !hasTag(TagTodo) && !hasTag(TagDone);
}

bool Message::isTask() const {
    return !isDeletedMessage() && (isOfType(TypeSeparator) || hasTag(TagTodo) || hasTag(TagDone));
}

int Message::compareTo(const Message& other) const {
    const std::int64_t mine = messageNr();
    const std::int64_t theirs = other.messageNr();
    return mine < theirs ? -1 : (mine > theirs ? 1 : 0);
}

// --- display model ---

std::shared_ptr<ZVMessageRepresentation> Message::representation() {
    if (!representation_) {
        const auto self = std::static_pointer_cast<Message>(shared_from_this());
        const ZVMessageRepresentation::Factory& factory = representationFactory();
        representation_ = factory ? factory(self) : nullptr;
        if (!representation_) {
            representation_ = std::make_shared<ZVMessageRepresentation>(self);
        }
    }
    return representation_;
}

void Message::updateRepresentation() {
    if (representation_) {
        representation_->refresh();
    }
}

QString Message::plainMessageWithMarkup() const {
    return ZVMarkupServices::plainTextWithMarkup(message(), true);
}

QString Message::lockAccountId() const {
    const auto owner = conversation();
    return owner && owner->hasWriters() ? owner->writers()->userEditingMessageNr(messageNr())
                                        : QString();
}
