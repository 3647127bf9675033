#pragma once

#include "ZelvoKit/model/ZVManagedObject.h"
#include "ZelvoKit/model/ZVMessageRepresentation.h"
#include "ZelvoKit/support/base/ZVError.h"

#include <QtCore/QDateTime>
#include <QtCore/QLatin1StringView>
#include <QtCore/QSet>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class Conversation;
class File;
class ZVApiRequest;
class ZVJsonParser;

// One message of a conversation: poster, number, type, tag bits, body (message XML), subject,
// assignees and edit state, as the service's message records describe it. Numbers from
// kFirstPendingMessageNr up belong to local messages the service has not stored yet.
class Message : public ZVManagedObject {
public:
    static constexpr QLatin1StringView kEntityName{"Message"};
    static constexpr std::int64_t kFirstPendingMessageNr = 1000000000;

    // Message types that the model itself tests.
    enum Type : int {
        TypeText = 1,
        TypeAdd = 3,
        TypeLeave = 4,
        TypeEmail = 9,
        TypeKick = 10,
        TypeFile = 11,
        TypeSystem = 14,
        TypeSeparator = 20,
        TypeHtmlEmail = 21,
    };
    // Bit numbers of `tags`.
    enum Tag : int {
        TagPin = 0,
        TagUnpin = 1,
        TagUnlock = 2,
        TagNewSheet = 3,
        TagShared = 4,
        TagEditedByOthers = 5,
        TagHidden = 6,
        TagTodo = 15,
        TagDone = 16,
        TagArchived = 20,
        TagDeleted = 21,
    };

    // Bits of the dirty mask: what a local edit changed and the store request sends.
    enum Field : int {
        FieldBody = 0,
        FieldTags = 1,
        FieldAttachments = 2,
        FieldPinWeight = 3,
        FieldAssignees = 4,
        FieldUrlPreviews = 5,
        FieldSubject = 6,
    };

    explicit Message(const platform::EntityDescription& entity);
    ~Message() override;

    static void describeAttributes(platform::EntityDescription& entity);

    // The display model's class; the base ZVMessageRepresentation when none (or an empty one) is
    // set.
    static void setRepresentationClass(ZVMessageRepresentation::Factory factory);

    // The type word of the record's "mk_message_type" read strictly (its absence leaves the
    // reader's error): nothing when absent, TypeSystem for a word the table lacks.
    static std::optional<int> extractMessageType(ZVJsonParser& parser);
    // The mask of the record's "tags", with TagNewSheet also set by "is_new_sheet".
    static std::uint32_t extractMessageTags(ZVJsonParser& parser);

    // --- stored ---

    QString conversationId() const { return stringValue(conversationId_); }
    std::int64_t messageNr() const { return integerValue(messageNr_); }
    QString accountId() const { return stringValue(accountId_); }
    // The body as message XML.
    QString message() const { return stringValue(message_); }
    std::optional<int> messageType() const;
    std::uint32_t tags() const { return static_cast<std::uint32_t>(integerValue(tags_)); }
    QDateTime postedTime() const { return dateValue(postedTime_); }
    QDateTime editedTime() const { return dateValue(editedTime_); }
    QString editAccountId() const { return stringValue(editAccountId_); }
    std::optional<double> pinWeight() const;
    std::optional<std::int64_t> inboxNr() const;
    QString hookKey() const { return stringValue(hookKey_); }
    std::optional<std::int64_t> prevMessageNr() const;
    QString senderName() const { return stringValue(senderName_); }
    QString assigneeIdsText() const { return stringValue(assigneeIds_); }
    QString subject() const { return stringValue(subject_); }
    QString cleanedHtml() const { return stringValue(cleanedHtml_); }
    // The id every send of a local message carries, kept with it so that a send repeated after a
    // restart is recognised by the service.
    QString clientRequestId() const { return stringValue(clientRequestId_); }
    void setClientRequestId(const QString& id) { setString(clientRequestId_, id); }

    // For messages the model makes itself (local ones); records go through deserializeFromJson.
    void setConversationId(const QString& id) { setString(conversationId_, id); }
    void setMessageNr(std::int64_t nr) { setInteger(messageNr_, nr); }
    void setAccountId(const QString& id) { setString(accountId_, id); }
    void setMessage(const QString& body) { setString(message_, body); }
    void setMessageType(int type) { setInteger(messageType_, type); }
    void setTags(std::uint32_t tags) { setInteger(tags_, tags); }
    void setPostedTime(const QDateTime& time) { setDate(postedTime_, time); }
    void setPrevMessageNr(std::int64_t nr) { setInteger(prevMessageNr_, nr); }
    void setInboxNr(std::int64_t nr) { setInteger(inboxNr_, nr); }
    void setSubject(const QString& subject) { setString(subject_, subject); }
    void setCleanedHtml(const QString& html) { setString(cleanedHtml_, html); }
    // A plain store, not a local edit (see setPinWeight).
    void setPinWeightValue(std::optional<double> weight);

    // --- in memory only ---

    // The conversation that holds the message; none for one read on its own.
    std::shared_ptr<Conversation> conversation() const { return conversation_.lock(); }
    void setConversation(const std::shared_ptr<Conversation>& conversation) {
        conversation_ = conversation;
    }

    // The rank from the last search answer; 0 otherwise.
    std::int64_t searchWeight() const { return searchWeight_; }
    void setSearchWeight(std::int64_t weight) { searchWeight_ = weight; }
    // The service's search highlight of the body (message XML with "mark" elements); kept for the
    // life of the object once a record brought one.
    const QString& markedText() const { return markedText_; }
    // The number the service gave a pending message once it stored it; 0 until then.
    std::int64_t actualMessageNr() const { return actualMessageNr_; }
    void setActualMessageNr(std::int64_t nr) { actualMessageNr_ = nr; }
    const std::optional<QSet<QString>>& assignees() const { return assignees_; }

    // --- identity ---

    const QStringList& keyFields() const override;
    // "<conversation id>:<number>".
    QString guid() const override;
    QString desc() const;

    // --- reading ---

    // Reads a message record; returns the reader's error, after reading what it could. "message"
    // and "mk_message_type" are required of a new message only: a fragment updates what it holds.
    ZVErrorPtr deserializeFromJson(ZVJsonParser& parser);
    void awakeFromFetch() override;

    // --- questions, without side effects ---

    bool isOfType(int type) const { return messageType() == type; }
    bool hasTag(int bit) const;
    bool isPin() const { return hasTag(TagPin); }
    bool isUnpin() const { return hasTag(TagUnpin); }
    bool isShared() const { return hasTag(TagShared); }
    bool isHidden() const { return hasTag(TagHidden); }
    bool isArchived() const { return hasTag(TagArchived); }
    bool isCompletedTask() const { return hasTag(TagDone); }
    bool isTextMessage() const;
    bool isDeletedMessage() const;
    bool isEdited() const;
    bool isPinned() const;
    bool isTask() const;
    bool isPending() const { return messageNr() >= kFirstPendingMessageNr; }
    static bool isPendingNr(std::int64_t nr) { return nr >= kFirstPendingMessageNr; }
    // Pending, and the conversation's outgoing queue has stopped sending.
    bool isFailed() const;
    // Pending, and the queue has not stopped.
    bool isSending() const;
    // The next message the conversation's queue sends.
    bool isFirstPending() const;
    // A posted message that its conversation still counts as unread.
    bool isUnconsumed() const;
    // The user's own (or shared) text message, with a body, in a conversation open for posting
    // that nobody is editing.
    bool canEdit() const;
    // The account editing the message now; null when nobody does.
    QString lockAccountId() const;
    // Hands a pending message back to its queue, or takes it out.
    void resend();
    void cancel();
    // Ascending by number: negative, 0 or positive.
    int compareTo(const Message& other) const;

    // --- display model ---

    std::shared_ptr<ZVMessageRepresentation> representation();
    bool hasRepresentation() const { return representation_ != nullptr; }
    // The display model if one was made; made by nothing.
    ZVMessageRepresentation* madeRepresentation() const { return representation_.get(); }
    QString localizedMessage() { return representation()->localizedText(); }
    // Refreshes an existing display model.
    void updateRepresentation();
    // Drops it; the next request makes a new one.
    void resetRepresentation() { representation_.reset(); }
    // The body as the user would type it, quotes left out (to quote the message).
    QString plainMessageWithMarkup() const;

    // --- local edits (Message+Edits.cpp): shown at once, sent by the store request ---

    using ZVManagedObject::setField;
    using Files = std::vector<std::shared_ptr<File>>;

    // Marking a field of a posted message dirty also marks the conversation's message-edit
    // field, through which the session's commit sends the message's store request; the outgoing
    // queue sends local ones.
    void setField(int field, bool dirty) override;

    // The file itself when it is free or already this message's; a copy when it belongs to
    // another message. Null when no copy can be made.
    std::shared_ptr<File> absorbFile(const std::shared_ptr<File>& file);
    // Each file absorbed; one without an attachment id gets "file_<position>". Copies that cannot
    // be made are left out.
    Files absorbFiles(const Files& files);
    // The body becomes the encoded text with the files attached.
    void editBody(const QString& text, const Files& files);
    // The same, with the files the display model lists.
    void edit(const QString& text);
    // A null subject removes it.
    void editSubject(const QString& subject);
    // Sets the bits of `set`, then clears those of `clear`; numbers outside 0 to 31 are ignored.
    // An unchanged mask is no edit.
    void setTags(const QList<int>& set, const QList<int>& clear);
    void pin();
    // A pin that others edited goes to the pin archive instead of being unshared.
    void unpin();
    // Marks a posted message deleted; the body stays until the service says otherwise.
    void deleteMessage();
    void disableUrlPreviews();
    void setPinWeight(double weight);
    void setAssignees(const QStringList& accountIds);

    // The store request of the dirty fields (all fields of a pending message); none when there
    // is nothing to send or an attachment has not reached the service. A failure other than a
    // refusal (400 to 499) makes the fields dirty again.
    std::shared_ptr<ZVApiRequest> getStoreRequest(bool isRetry);
    // None for a pending message: the outgoing queue sends those.
    std::shared_ptr<ZVApiRequest> getSyncRequest() override;

private:
    void readBody(ZVJsonParser& parser);
    // Deletes the stored files that the new body no longer names.
    void applyFileDiff(const QString& newBody);
    void readLock(ZVJsonParser& parser);
    void readTags(ZVJsonParser& parser);
    void readAssignees(ZVJsonParser& parser);
    void readHtmlEmail(ZVJsonParser& parser);
    void updateAssignees();
    // Tells the conversation's observers, within the batching delay, that its messages changed.
    void announceToConversation(const QStringList& keys);
    // The conversation's pin board follows a pin or an unpin of the user's.
    void notifyPinboard();

    int conversationId_;
    int messageNr_;
    int accountId_;
    int message_;
    int messageType_;
    int tags_;
    int postedTime_;
    int editedTime_;
    int editAccountId_;
    int pinWeight_;
    int inboxNr_;
    int hookKey_;
    int prevMessageNr_;
    int senderName_;
    int assigneeIds_;
    int subject_;
    int cleanedHtml_;
    int clientRequestId_;

    std::weak_ptr<Conversation> conversation_;
    std::shared_ptr<ZVMessageRepresentation> representation_;
    std::int64_t searchWeight_ = 0;
    QString markedText_;
    std::int64_t actualMessageNr_ = 0;
    std::optional<QSet<QString>> assignees_;
};
