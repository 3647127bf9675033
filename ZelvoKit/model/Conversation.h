#pragma once

#include "ZelvoKit/model/ZVConversationLoadRequest.h"
#include "ZelvoKit/model/ZVManagedObject.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "ZelvoKit/support/base/ZVError.h"

#include <QtCore/QDateTime>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QLatin1StringView>
#include <QtCore/QSet>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariantMap>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class ConversationWriters;
class File;
class Label;
class Member;
class ZVConversationMembers;
class ZVFileArray;
class ZVMessageQueue;
class ZVRepositorySession;
class ZVClipboardMessage;

// One conversation of an account: its stored state as the service's conversation records give
// it (topic, horizons, flags, labels, teams, members) and the local changes not yet sent.
//
// Numbers the record may leave out are optional: several rules tell an unset horizon from 0.
// The setters store a value and announce nothing; the operations that change a conversation
// announce what they change through willChangeProperties(), which inside a stream transaction
// registers the conversation with its session so that the notifications go out at its commit.
//
// Its behaviour is grouped by theme, each group in its own file (Conversation+<Theme>.cpp).
class Conversation : public ZVManagedObject {
public:
    using ZVManagedObject::setField;

    static constexpr QLatin1StringView kEntityName{"Conversation"};
    // The to-many side of Member::kConversationRelationship.
    static constexpr QLatin1StringView kMembersRelationship{"members"};
    // The id of the unsaved conversation being composed.
    static constexpr QLatin1StringView kNewConversationId{"new"};
    // Numbers from here up belong to local messages the service has not stored yet.
    static constexpr std::int64_t kFirstLocalMessageNr = 1000000000;

    // Bits of the dirty-field mask.
    enum Field : int {
        FieldUnread = 0,
        FieldRead = 1,
        FieldUnstar = 2,
        FieldTopic = 3,
        FieldSnooze = 4,
        FieldArchive = 5,
        FieldMessageEdit = 6,
        FieldLabels = 7,
        FieldSharing = 8,
        FieldUrlPreviews = 9,
        FieldDisclose = 10,
        FieldList = 11,
    };

    // Bit numbers of `flags`.
    enum Flag : int {
        FlagPinboard = 1,
        FlagTaskboard = 2,
        FlagTaskArchive = 3,
        FlagPremium = 4,
        FlagAutojoin = 5,
    };

    // How much of the conversation the records have told (`mk_record_completeness`).
    enum RecordCompleteness : int {
        RecordNone = 0,
        RecordTiny = 1,
        RecordFull = 2,
    };

    explicit Conversation(const platform::EntityDescription& entity);
    ~Conversation() override;

    static void describeAttributes(platform::EntityDescription& entity);

    // --- stored ---

    QString conversationId() const { return textOf(ConversationId); }
    void setConversationId(const QString& id) { setTextOf(ConversationId, id); }
    QString topic() const { return textOf(Topic); }
    void setTopic(const QString& topic) { setTextOf(Topic, topic); }
    QString defaultTopic() const { return textOf(DefaultTopic); }
    QString cmail() const { return textOf(Cmail); }
    QString autojoinUrl() const { return textOf(AutojoinUrl); }
    QString organisationId() const { return textOf(OrganisationId); }
    // The unsent text typed in the editor; null when there is none.
    QString pendingMessage() const { return textOf(PendingMessage); }
    void setPendingMessageText(const QString& text) { setTextOf(PendingMessage, text); }
    // JSON text of the label ids and of the member teams.
    QString labelIdsText() const { return textOf(LabelIds); }
    void setLabelIdsText(const QString& text) { setTextOf(LabelIds, text); }
    QString teamsText() const { return textOf(Teams); }

    bool canPost() const { return flagOf(CanPost); }
    void setCanPost(bool canPost) { setFlagOf(CanPost, canPost); }
    bool isUrlPreviewDisabled() const { return flagOf(IsUrlPreviewDisabled); }
    void setUrlPreviewDisabledValue(bool disabled) { setFlagOf(IsUrlPreviewDisabled, disabled); }
    bool isDisclose() const { return flagOf(IsDisclose); }
    void setIsDiscloseValue(bool disclose) { setFlagOf(IsDisclose, disclose); }
    bool hasEmailSubject() const { return flagOf(HasEmailSubject); }
    bool isList() const { return flagOf(IsList); }
    void setIsListValue(bool list) { setFlagOf(IsList, list); }
    bool isManaged() const { return flagOf(IsManaged); }

    // Message-number horizons.
    std::optional<std::int64_t> inboxMessageNr() const { return number(InboxMessageNr); }
    void setInboxMessageNrValue(std::optional<std::int64_t> nr) { setNumber(InboxMessageNr, nr); }
    std::optional<std::int64_t> lastMessageNr() const { return number(LastMessageNr); }
    void setLastMessageNr(std::optional<std::int64_t> nr) { setNumber(LastMessageNr, nr); }
    std::optional<std::int64_t> myMessageNr() const { return number(MyMessageNr); }
    std::optional<std::int64_t> fwMessageNr() const { return number(FwMessageNr); }
    void setFwMessageNr(std::optional<std::int64_t> nr) { setNumber(FwMessageNr, nr); }
    std::optional<std::int64_t> bwMessageNr() const { return number(BwMessageNr); }
    void setBwMessageNr(std::optional<std::int64_t> nr) { setNumber(BwMessageNr, nr); }
    std::optional<std::int64_t> readMessageNr() const { return number(ReadMessageNr); }
    void setReadMessageNrValue(std::optional<std::int64_t> nr) { setNumber(ReadMessageNr, nr); }
    std::optional<std::int64_t> joinMessageNr() const { return number(JoinMessageNr); }
    void setJoinMessageNr(std::optional<std::int64_t> nr) { setNumber(JoinMessageNr, nr); }
    std::optional<std::int64_t> hideMessageNr() const { return number(HideMessageNr); }
    void setHideMessageNr(std::optional<std::int64_t> nr) { setNumber(HideMessageNr, nr); }
    std::optional<std::int64_t> showMessageNr() const { return number(ShowMessageNr); }
    std::optional<std::int64_t> deleteMessageNr() const { return number(DeleteMessageNr); }
    std::optional<std::int64_t> discloseMessageNr() const { return number(DiscloseMessageNr); }
    std::optional<std::int64_t> lastInboxNr() const { return number(LastInboxNr); }
    void setLastInboxNr(std::optional<std::int64_t> nr) { setNumber(LastInboxNr, nr); }
    std::optional<std::int64_t> pendingMessageNr() const { return number(PendingMessageNr); }
    void setPendingMessageNr(std::optional<std::int64_t> nr) { setNumber(PendingMessageNr, nr); }
    std::optional<std::int64_t> fileHorizon() const { return number(FileHorizon); }
    std::optional<std::int64_t> pinHorizon() const { return number(PinHorizon); }
    std::optional<std::int64_t> taskHorizon() const { return number(TaskHorizon); }
    std::optional<std::int64_t> unreadCount() const { return number(UnreadCount); }
    void setUnreadCountValue(std::optional<std::int64_t> count) { setNumber(UnreadCount, count); }
    std::int64_t recordCompleteness() const { return number(RecordCompletenessLevel).value_or(0); }
    void setRecordCompleteness(std::int64_t level) { setNumber(RecordCompletenessLevel, level); }
    std::int64_t flags() const { return number(Flags).value_or(0); }
    void setFlags(std::int64_t flags) { setNumber(Flags, flags); }

    std::optional<double> starWeight() const { return real(StarWeight); }
    void setStarWeight(std::optional<double> weight) { setReal(StarWeight, weight); }
    // Seconds; negative while muted without end.
    std::optional<double> snoozeInterval() const { return real(SnoozeInterval); }
    void setSnoozeIntervalValue(std::optional<double> seconds) { setReal(SnoozeInterval, seconds); }

    QDateTime snoozeTime() const { return dateOf(SnoozeTime); }
    void setSnoozeTime(const QDateTime& time) { setDateOf(SnoozeTime, time); }
    QDateTime lastMessageTime() const { return dateOf(LastMessageTime); }
    QDateTime inboxTime() const { return dateOf(InboxTime); }
    void setInboxTime(const QDateTime& time) { setDateOf(InboxTime, time); }

    // The stored membership: one row per account.
    std::vector<std::shared_ptr<Member>> members() const;

    std::shared_ptr<ZVRepositorySession> repositorySession() const;

    // --- identity ---

    const QStringList& keyFields() const override;
    QString guid() const override { return conversationId(); }
    bool isNewConversation() const { return conversationId() == kNewConversationId; }
    // "Conversation: <id> "<topic>"", for logs.
    QString desc() const;

    // --- state the records set ---

    bool hasFlag(int flag) const;
    bool isUnread() const { return unreadCount().value_or(0) > 0; }
    // A record said that the service left out part of the history before it.
    bool hasSkippedContent() const { return hasSkippedContent_; }
    // The ids of `label_ids`, as of the last updateLabels().
    const QSet<QString>& labelsSet() const { return labelsSet_; }
    void updateLabels();
    // The team ids of `teams`; empty when there is no team list (see hasTeamsArray()).
    const QJsonArray& teamsArray() const { return teamsArray_; }
    bool hasTeamsArray() const { return hasTeamsArray_; }
    void updateTeams();

    // Brings what changed in a transaction (or at once outside one) to observers and to the
    // derived state; the session calls it once per changed conversation.
    void commitChanges();

    // --- the entity base ---

    void awakeFromFetch() override;
    // Records the keys; inside a stream transaction the session learns that the conversation
    // changed and the notifications wait for its commit, otherwise they go out after the base's
    // delay.
    void willChangeProperties(const QStringList& keys) override;

    // --- files, pins and tasks (Conversation+Files.cpp, Conversation+Tasks.cpp) ---
    //
    // Three boards beside the message flow, each read from the store on first use, kept current
    // by arriving messages and files, extended from the service through a load request, and
    // dropped with the window by releaseMessages().

    // The conversation's posted files, newest first, read from the store on first use.
    const std::shared_ptr<ZVFileArray>& files();
    // A file the stream or an editor brings; a link preview is never listed. The message holding
    // it, when in the window, rebuilds its display model.
    void addFile(const std::shared_ptr<File>& file);
    // Takes the message's attachment off the list; the stored file stays.
    void deleteFile(const QString& attachmentId, std::int64_t messageNr);
    // The service has no older files of the conversation.
    bool allFilesLoaded() const { return fileHorizon().value_or(0) == 0; }
    void loadMoreFiles();

    // Pinned messages that are not archived, heaviest first, read from the store on first use.
    const std::shared_ptr<ZVMessageArray>& pinnedMessages();
    bool hasPinnedMessages() const { return pinnedMessages_ != nullptr; }
    // The user pinned or unpinned the message; nothing while the window is not loaded.
    void notifyPinnedMessageChange(const std::shared_ptr<Message>& message);
    bool allPinsLoaded() const { return pinHorizon().value_or(0) == 0; }
    void loadMorePins();

    // The task messages, not archived before archived; archived ones only after
    // loadTaskArchive().
    const std::shared_ptr<ZVMessageArray>& tasks();
    bool hasTasks() const { return tasks_ != nullptr; }
    // The stored tasks, the archived ones too when asked.
    std::shared_ptr<ZVMessageArray> loadTasksArchived(bool archived);
    // The rows of the task board: the archive header (with a task archive), then the tasks
    // without those under a collapsed separator and, while the header is collapsed, without the
    // archive.
    const std::shared_ptr<ZVMessageArray>& visibleTasks();
    // A separator or the archive header was expanded or collapsed.
    void resetVisibleTasks();
    // The archive header row, a message that is never stored; made on first use.
    std::shared_ptr<Message> createTaskArchiveHeader();
    const std::shared_ptr<Message>& taskArchiveHeader() const { return taskArchiveHeader_; }
    // The user opens the archive: the stored archived tasks are listed, and the service is asked
    // for them when the store has none.
    void loadTaskArchive();
    void loadMoreTasks();
    // A message the service deleted leaves the pin and task boards.
    void removeFromBoards(std::int64_t messageNr);

    // --- typing (Conversation+Writers.cpp) ---

    // Who writes and edits here; made on first use.
    const std::shared_ptr<ConversationWriters>& writers();
    bool hasWriters() const { return writers_ != nullptr; }
    // Called by the writers once nobody writes, the user included.
    void resetWriters();
    // Another member's activity from the stream.
    void updateActivityBy(const QString& accountId, bool writing, std::int64_t messageNr);
    // The user's own typing: 0 for a new message, else the message edited.
    void setWritingStatus(bool writing, std::int64_t messageNr);

    // --- searching its messages (Conversation+Search.cpp) ---

    enum SearchState : int {
        SearchIdle = 0,
        SearchRunning = 1,
        SearchResults = 2,
    };

    // Null when no text is searched.
    const QString& searchText() const { return searchText_; }
    // A different text drops the results; the window re-filters by it.
    void setSearchText(const QString& text);
    // Asks the service for the messages matching the search text; results come one by one.
    void runServerSearch();
    // Counts a started search; returns its index.
    std::int64_t searchStarted();
    // Only the newest search's end stops the running state.
    void searchEndedWithIndex(std::int64_t index);
    int searchState() const;
    // By search weight, then newest first; none before results.
    const std::shared_ptr<ZVMessageArray>& searchMatchMessages() const {
        return searchMatchMessages_;
    }
    // A found message joins the results and arrives like any other.
    void addMatchingMessage(const std::shared_ptr<Message>& message);

    // --- serialisation (Conversation+Serialization.cpp) ---

    // Reads a conversation record. Values of dirty fields stay as the user set them until the
    // service has them. An error leaves the values read so far and the members as they were.
    ZVErrorPtr deserializeFromJson(ZVJsonParser& parser);
    // Makes the stored membership the record's "members" list (with "admins"); rows of accounts
    // that stay are kept, rows of accounts that left are deleted. No list keeps the members.
    ZVErrorPtr updateMembersFromJson(ZVJsonParser& parser);
    std::shared_ptr<Member> createMemberWithAccountId(const QString& accountId);
    // The bit's value when the record's boolean `key` is true; the current bit when absent.
    std::int64_t extractFlag(const QString& key, ZVJsonParser& parser, int bit) const;
    std::int64_t extractFlags(ZVJsonParser& parser) const;

    // --- loading and the message window (Conversation+Loading.cpp) ---
    //
    // Only a window of consecutive messages is in memory, read from the store by number range and
    // grown backward as the user scrolls up. What the store lacks is asked of the service through
    // one pending load request, which the session's commit sends.

    // What the conversation screen shows above its first message.
    enum StartType : int {
        StartMoreAbove = 0,
        StartLoading = 1,
        StartBeginning = 2,
        StartJoined = 3,
        StartDisclosed = 4,
        StartDeleted = 5,
    };

    // Replaces the pending load request and asks the session to send it.
    void setLoadRequest(int type, std::int64_t messageNr);
    // The load request's call ended, either way.
    void clearLoadRequest();
    const std::optional<ZVConversationLoadRequest>& loadRequest() const { return loadRequest_; }
    bool isLoading() const { return loadRequest_.has_value(); }
    // Asks the messages missing before (or after) the message.
    void fillGapFromMessageNr(std::int64_t messageNr, bool directionBefore);
    // Whether the store lacks messages it should hold, with no load request pending; not while
    // the service's refusal of that load stands (until its next record of the conversation).
    bool needsMessageLoad() const;
    // Dirty fields, a message load that is needed, or a pending load request.
    bool needsSync() const override;
    std::int64_t numberOfLocalMessagesRequired() const;
    std::int64_t numberOfLocalMessagesPresent() const;

    // The stored messages from..to, inclusive, by number; with `expectPresent` a break in the
    // chain of predecessors is logged (the messages present are used all the same).
    ZVMessageArray loadMessagesFrom(std::int64_t from, std::int64_t to, bool expectPresent);
    // The number of the stored message with that inbox number; 0 when none.
    std::int64_t messageNrFromInboxMessageNr(std::int64_t inboxNr);
    // The first window: 20 inbox messages or 20 numbers back from the end, whichever reaches
    // further, not below the stored back edge, always down to the read horizon.
    ZVMessageArray loadRecentMessages();
    // A stored message with edits not yet sent; none when there is none.
    std::shared_ptr<Message> getUncommittedMessage();
    // Opens the window (the screen calls it when it opens) and asks what the store lacks.
    void loadMessages();
    // One page further back: from the store, else from the service.
    void loadMoreMessages();
    // Brings the message and its neighbours into the window; asks the service for its context
    // when the store lacks it. None while the message is not there.
    std::shared_ptr<Message> loadMessage(std::int64_t messageNr);
    // `count` loaded neighbours in `direction` (+1 or -1) follow on without a break.
    bool contiguousMessagesExistAround(std::int64_t messageNr, int count, int direction);
    bool contextMessagesExistAround(std::int64_t messageNr);
    // Holds the stored messages of the range in memory while an answer is applied, so that
    // look-ups inside it cost no store read.
    void loadMessageCacheRange(std::int64_t location, std::int64_t length);
    void dropMessageCache();
    // The cache range, the window, then (for a number the store should hold, or always with
    // `searchOutsideSyncRange`) the store.
    std::shared_ptr<Message> messageByNumber(std::int64_t messageNr,
                                             bool searchOutsideSyncRange = false);
    bool messageExistsForNr(std::int64_t messageNr) const;
    // The nearest message in the direction that exists; none past the ends.
    std::shared_ptr<Message> nextMessageFromNr(std::int64_t messageNr, int direction);
    int startType() const;
    std::int64_t firstLoadedMessage() const { return firstLoadedMessage_; }
    // The window; null until loaded.
    const std::shared_ptr<ZVMessageArray>& messages() const { return messages_; }
    // The pages closed: the window and the pending load go.
    void releaseMessages();
    // The service reset the conversation's messages: stored ones leave the window, local ones stay.
    void deleteMessages();

    // --- horizons, unread and inbox counts (Conversation+Horizons.cpp) ---
    //
    // Messages arriving in a transaction move the horizons only at the conversation's commit,
    // so observers see them move once per answer.

    // An arriving message: staged with its number until the commit.
    void addMessage(const std::shared_ptr<Message>& message);
    // The last number only grows; the stored stretch only over consecutive numbers.
    void encounteredMessageNr(std::int64_t messageNr);
    // The message of the inbox row; none until found.
    const std::shared_ptr<Message>& inboxMessage() const { return inboxMessage_; }
    void updateInboxMessage();
    void setInboxMessageNr(std::int64_t messageNr);
    // "<poster>: <text>" for a text message, its text otherwise, "<null>" without one.
    QString inboxMessageText() const;
    QDateTime inboxDate() const;
    // Inbox messages after the inbox message, plus the inbox message while it is unread.
    void updateUnreadCount();
    void setUnreadCount(std::int64_t count);
    bool isMessageUnread(const Message& message) const;
    bool isMention() const;
    bool alertsEnabled() const;
    bool isFailedSend() const;
    // Unread and worth an alert (or a mention) and not archived; or a failed send.
    bool isNotifyingUnread() const;
    bool hasUserLabel(const QString& labelId) const;
    bool hasSystemLabel(int type) const;
    bool isStarred() const;
    // Heavier first, weightless last, ties by id; negative when this one goes first.
    int compareStarWeight(const Conversation& other) const;
    // Moves the conversation up the inbox unless it moved there within the hour.
    void bringToTop();
    // The stored message of that inbox number.
    std::shared_ptr<Message> messageByInboxIndex(std::int64_t inboxNr);

    // --- posting and local messages (Conversation+Posting.cpp) ---
    //
    // What the user sends enters the conversation's outgoing queue, which asks the conversation
    // for a local message per item: numbered from Message::kFirstPendingMessageNr up, stored and
    // shown like any other, and deleted when the service has stored the real one.

    // The queue, made on first use (with the local messages the store holds); none without
    // `create` when there is none.
    std::shared_ptr<ZVMessageQueue> messageQueue(bool create = true);
    // Reads a leading slash command of the text.
    void postMessage(const QString& text, const QString& subject,
                     const std::vector<std::shared_ptr<File>>& files);
    void postMessage(const QString& text, const QString& subject,
                     const std::vector<std::shared_ptr<File>>& files, int modifier);
    void forwardMessage(const std::shared_ptr<Message>& message);
    // A new local message of the text with the files, in the window and saved; `prepare` fills
    // in more before the save, so that the message and all it carries reach the disk together.
    // None when it cannot be made. For the queue.
    std::shared_ptr<Message> createMessageWithText(
        const QString& text, const std::vector<std::shared_ptr<File>>& files,
        const std::function<void(Message&)>& prepare = {});
    // A local copy of a message being forwarded.
    std::shared_ptr<Message> createMessageWithMessage(
        const std::shared_ptr<Message>& source, const std::function<void(Message&)>& prepare = {});
    // The message the service stored from a local one, made before the service's record of it
    // arrives: what the service holds (the body as sent), so that an edit made while it was sent
    // has a message to go to. The record completes it. None when it cannot be made. For the queue.
    std::shared_ptr<Message> createStoredMessage(const std::shared_ptr<Message>& local,
                                                 std::int64_t storedNr, const QString& sentBody);
    // Removes the message from the window, the numbers and the store, its files with it.
    void deleteMessageNr(std::int64_t messageNr);
    // The text typed and not sent; an empty one is none.
    void setPendingMessage(const QString& text);
    void clearPendingMessage();
    // The file itself when it is this conversation's and no message's; a copy otherwise.
    void addPendingFile(const std::shared_ptr<File>& file);
    void removePendingFile(const std::shared_ptr<File>& file);
    const std::vector<std::shared_ptr<File>>& pendingFiles() const { return pendingFiles_; }
    // The copied message waiting to be forwarded into this conversation: the forward picker sets
    // it, the conversation screen takes it. Only kept here, announced as "forwardedMessage".
    const std::shared_ptr<ZVClipboardMessage>& forwardedMessage() const {
        return forwardedMessage_;
    }
    void setForwardedMessage(std::shared_ptr<ZVClipboardMessage> message);
    // Takes over what the user composed in the unsaved conversation when the service's answer
    // to its creation names this one, already known from the stream: the local messages (their
    // rows already carry this id) with their queue and its baseline, and the files waiting in
    // the editor. Sends become this conversation's.
    void takeComposedMessages(const std::shared_ptr<Conversation>& composed);
    // The conversation that took this composed one's messages; none while it has not.
    std::shared_ptr<Conversation> takenOverBy() const { return takenOverBy_.lock(); }
    // What the service does not have yet, as JSON that outlives the store: the draft and the
    // local messages with their client request ids. Empty when there is nothing.
    QJsonObject unsentWork();
    // Puts unsent work back as this conversation's draft (unless it has one) and local messages
    // (unless one with the same request id waits already), and queues the messages.
    void restoreUnsentWork(const QJsonObject& work);
    // The newest subject in the window, else the topic; null when neither.
    QString subject();

    // --- members, topic and contact changes (Conversation+Members.cpp) ---

    // The roster, made on first use.
    const std::shared_ptr<ZVConversationMembers>& sortedMembers();
    bool hasSortedMembers() const { return sortedMembers_ != nullptr; }
    bool containsMemberWithId(const QString& accountId) const;
    bool localUserIsMember() const;
    // The topic to show: the topic, else for a composed conversation its invitee or "New
    // conversation", else the default topic, else the members' names.
    QString computeTopic();
    void updateTopicNotifyImmediately(bool notify);
    const QString& topicText() const { return topicText_; }
    QString shortTopicText() const;
    QString initials();
    // The one-to-one partner: the member whose contact names this conversation as their dialog.
    QString dialogPartner();
    // Names of the contacts changed: the poster names of their messages, the roster and the
    // topic follow them.
    void notifyContactChange(const QSet<QString>& accountIds);
    // Refreshes the poster name of each message posted by one of the accounts; whether there was
    // any.
    static bool updatePosterNames(const ZVMessageArray& messages, const QSet<QString>& accountIds);

    // --- actions and dirty fields (Conversation+Actions.cpp) ---
    //
    // Each action changes the conversation at once and marks its field; 0.1 s after the first
    // field the conversation is committed, and one store request carries every dirty field.

    std::int64_t readMessageNumber() const { return readMessageNr().value_or(0); }
    void markUnread();
    // Unread from the message: the read horizon goes to the message before it.
    void markUnreadUntil(std::int64_t messageNr);
    // Spam is also read.
    void markSpam();
    void unmarkSpam();
    void starAfter(const QString& labelId);
    void unstar();
    // Archived while the hidden horizon has reached the shown one (unset counts as 0).
    bool isArchived() const { return hideMessageNr().value_or(0) >= showMessageNr().value_or(0); }
    void markRead();
    // Nothing when already read further, or past the last message.
    void markReadUntil(std::int64_t messageNr);
    // Moves the read horizon within the conversation's bounds; marks nothing dirty itself.
    void setReadMessageNr(std::int64_t messageNr);
    // An id already there still rewrites the list and marks it.
    void addLabel(const QString& labelId);
    void removeLabel(const QString& labelId);
    void changeTopic(const QString& topic);
    // Below a second no snooze time is set; the interval is sent all the same.
    void setSnoozeInterval(double seconds);
    void archive();
    void unarchive();
    void snooze();
    void setSharingEnabled(bool enabled);
    void setUrlPreviewDisabled(bool disabled);
    void setIsDisclose(bool disclose);
    void setIsList(bool list);
    // For the composed conversation the additions are withdrawn and the blocks not called.
    void removeMembers(const QStringList& accountIds, std::function<void()> onSuccess,
                       std::function<void(const ZVErrorPtr&)> onError);
    void removeTeam(const QString& teamId, std::function<void()> onSuccess,
                    std::function<void(const ZVErrorPtr&)> onError);
    void leave();
    // Tells the service the user opened it, when the user is a member of a stored conversation;
    // otherwise completes at once.
    void reportConversationOpened(std::function<void()> onCompletion,
                                  std::function<void(const ZVErrorPtr&)> onError);
    // The first dirty field schedules the commit.
    void setField(int field, bool dirty) override;
    void scheduleSync();
    // Clears the fields a store request carried once it is answered; fields changed since are
    // committed again.
    void clearCommittedFields(std::uint32_t sent);
    void sync();
    // "conversation/store/<id>" with every dirty field; success clears the fields it carried
    // (unless changed again meanwhile), a refusal (400 to 499) drops them, other failures keep
    // them.
    std::shared_ptr<ZVApiRequest> getSyncRequest() override;
    // Priority 1 for a read horizon alone, 3 otherwise.
    int storePriority() const;
    QJsonObject storeArguments() const;

    // --- sync requests (Conversation+Sync.cpp) ---
    //
    // "conversation/sync/<id>" in a direction; the answer's records bring the messages, and the
    // handlers widen the cache range so that they are read from the store in one go.

    std::shared_ptr<ZVApiRequest> getFillTinyRequest();
    // Short records ask the whole conversation; a full one loads forward until the store
    // reaches what is shown, then backward.
    std::shared_ptr<ZVApiRequest> getMessageLoadRequest();
    std::shared_ptr<ZVApiRequest> getFileLoadRequest();
    std::shared_ptr<ZVApiRequest> getPinLoadRequest();
    std::shared_ptr<ZVApiRequest> getTaskLoadRequest();
    std::shared_ptr<ZVApiRequest> getContextLoadRequestAroundMessageNr(std::int64_t messageNr);
    std::shared_ptr<ZVApiRequest> getFillGapRequestBefore(bool before, std::int64_t messageNr);
    std::shared_ptr<ZVApiRequest> getRefreshRequest();
    // The store request of the last stored message with unsent edits; none clears the field.
    std::shared_ptr<ZVApiRequest> getMessageSyncRequest();
    // The pending load request's call (priority 4, which ends the load either way), or a
    // message load when the store lacks messages.
    std::shared_ptr<ZVApiRequest> getLoadSyncRequest();
    // The cached range of message numbers: (location, length).
    std::pair<std::int64_t, std::int64_t> cacheRange() const;

private:
    enum Attribute : int {
        ConversationId,
        InboxMessageNr,
        LastMessageNr,
        MyMessageNr,
        CanPost,
        FwMessageNr,
        FileHorizon,
        PinHorizon,
        TaskHorizon,
        Topic,
        JoinMessageNr,
        HideMessageNr,
        UnreadCount,
        LastInboxNr,
        Cmail,
        SnoozeTime,
        AutojoinUrl,
        StarWeight,
        IsUrlPreviewDisabled,
        IsDisclose,
        LastMessageTime,
        SnoozeInterval,
        DefaultTopic,
        DeleteMessageNr,
        DiscloseMessageNr,
        InboxTime,
        HasEmailSubject,
        ShowMessageNr,
        IsList,
        IsManaged,
        OrganisationId,
        ReadMessageNr,
        BwMessageNr,
        LabelIds,
        Flags,
        Teams,
        PendingMessageNr,
        PendingMessage,
        RecordCompletenessLevel,
        AttributeCount
    };
    struct AttributeSpec {
        Attribute attribute;
        QLatin1StringView name;
        platform::AttributeType type;
    };
    static const std::array<AttributeSpec, AttributeCount>& attributeSpecs();
    static QString attributeName(Attribute attribute);

    QString textOf(Attribute attribute) const { return stringValue(index_[attribute]); }
    void setTextOf(Attribute attribute, const QString& value);
    bool flagOf(Attribute attribute) const { return boolValue(index_[attribute]); }
    void setFlagOf(Attribute attribute, bool value);
    std::optional<std::int64_t> number(Attribute attribute) const;
    void setNumber(Attribute attribute, std::optional<std::int64_t> value);
    std::optional<double> real(Attribute attribute) const;
    void setReal(Attribute attribute, std::optional<double> value);
    QDateTime dateOf(Attribute attribute) const { return dateValue(index_[attribute]); }
    void setDateOf(Attribute attribute, const QDateTime& value);

    std::shared_ptr<Conversation> self();

    // Loading steps.
    void logMissingMessages(const ZVMessageArray& array, std::int64_t from, std::int64_t to) const;
    bool isInCacheRange(std::int64_t messageNr) const;
    std::shared_ptr<Message> fetchMessage(std::int64_t messageNr);
    // The stored messages of this conversation that match; `arguments` without the id.
    std::vector<std::shared_ptr<Message>> fetchStoredMessages(const QString& predicate,
                                                              QVariantMap arguments);
    std::vector<std::shared_ptr<Message>> messagesWithInboxNr(std::int64_t inboxNr);

    std::shared_ptr<Label> systemLabel(int type) const;

    // Horizon steps.
    void commitStagedNumbers();
    void commitNewMessages();
    // The boards' part of an arriving message.
    void mergeIntoPinsAndTasks(const std::shared_ptr<Message>& message);

    // Sync request steps.
    std::shared_ptr<ZVApiRequest> syncRequest(const QString& direction,
                                              std::optional<std::int64_t> fromMessageNr);
    void cacheOnReply(ZVApiRequest& request, std::int64_t location, std::int64_t length);
    void cacheHistoryOnReply(ZVApiRequest& request);

    // Posting steps.
    void createOnServiceThenSend();
    // The queue made again with every local message of the store, unless a send is in flight.
    void reloadMessageQueue();
    std::shared_ptr<Message> createLocalMessage(int type);
    bool finishLocalMessage(const std::shared_ptr<Message>& message,
                            const std::function<void(Message&)>& prepare);

    // Serialisation steps.
    // The record's plain keys, less those of fields changed here and not yet sent.
    QStringList keysToRead() const;
    void readCompleteness(ZVJsonParser& parser);
    void readReadHorizon(ZVJsonParser& parser);
    void readSkippedContent(ZVJsonParser& parser);
    void readSnooze(ZVJsonParser& parser);
    void readLabels(ZVJsonParser& parser);
    void readFlags(ZVJsonParser& parser);

    std::array<int, AttributeCount> index_{};
    bool hasSkippedContent_ = false;
    std::shared_ptr<ConversationWriters> writers_;
    QString searchText_;
    std::int64_t searchIndex_ = 0;
    std::shared_ptr<ZVMessageArray> searchMatchMessages_;
    std::shared_ptr<ZVFileArray> files_;
    std::shared_ptr<ZVMessageArray> pinnedMessages_;
    std::shared_ptr<ZVMessageArray> tasks_;
    std::shared_ptr<ZVMessageArray> visibleTasks_;
    std::shared_ptr<Message> taskArchiveHeader_;
    QSet<QString> labelsSet_;
    QJsonArray teamsArray_;
    bool hasTeamsArray_ = false;
    std::shared_ptr<ZVConversationMembers> sortedMembers_;
    platform::TimerHandle syncTimer_;
    // The fields changed since the last store request was made.
    std::uint32_t changedSinceRequest_ = 0;

    // Horizons staged in the open transaction, and the messages that arrived in it.
    std::optional<std::int64_t> newFwMessageNr_;
    std::optional<std::int64_t> newLastMessageNr_;
    std::optional<std::int64_t> newLastInboxNr_;
    std::shared_ptr<ZVMessageArray> newMessages_;
    std::shared_ptr<Message> inboxMessage_;
    QString topicText_;

    // Posting.
    std::shared_ptr<ZVMessageQueue> messageQueue_;
    std::vector<std::shared_ptr<File>> pendingFiles_;
    std::shared_ptr<ZVClipboardMessage> forwardedMessage_;
    std::weak_ptr<Conversation> takenOverBy_;
    // The message window and its loading.
    std::shared_ptr<ZVMessageArray> messages_;
    std::int64_t firstLoadedMessage_ = 0;
    std::optional<ZVConversationLoadRequest> loadRequest_;
    bool messageLoadRefused_ = false;
    ZVMessageArray cachedMessages_;
    std::int64_t cacheLocation_ = 0;
    std::int64_t cacheLength_ = 0;
};
