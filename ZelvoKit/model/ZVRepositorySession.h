#pragma once

#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Hook.h"
#include "ZelvoKit/model/Label.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/Organisation.h"
#include "ZelvoKit/model/Team.h"
#include "ZelvoKit/model/ZVDataRepository.h"
#include "platform/foundation/TimerGroup.h"

#include <QtCore/QHash>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QLatin1StringView>
#include <QtCore/QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

class ZVSearch;

// The data side of one signed-in account: it owns the account's store, keeps every stored
// contact, conversation, hook, team and organisation in maps by id, answers look-ups, applies the
// event stream's records to them one answer at a time, and sends local changes back through the API
// client's named queue.
//
// Each answer is applied between startTransaction() and endTransaction(); the store is saved once
// at the end, and only after that does the account's stream position reach the disk, so a process
// killed in between asks for the same records again and applies them to the store as it was.
// Applying an answer twice leaves the store as applying it once.
//
// Made by ZVApi through factory() (register it with ZVApi::setSessionClass()); a session whose
// store cannot be opened, or whose profile names no contact, is not made. Main thread only.
class ZVRepositorySession : public ZVApiSession {
public:
    using ZVApiSession::handleConversation;

    static constexpr QLatin1StringView kSyncFullHistorySetting{"SyncFullHistory"};
    // Drafts and unsent messages kept aside while a resynchronisation replaces the store, until
    // their conversations are back.
    static constexpr QLatin1StringView kUnsentWorkSetting{"UnsentWork"};
    // Announced after every answer and every committed conversation change.
    static constexpr QLatin1StringView kUnreadCountKey{"unreadCount"};
    static constexpr QLatin1StringView kRepositorySyncProgressKey{"repositorySyncProgress"};
    // Fewer messages than this still to load show as done.
    static constexpr std::int64_t kShortestProgressSpan = 20;
    // The conversations an answer changed are sent this long after it.
    static constexpr platform::TimeInterval kConversationSyncDelay = 0.1;
    // A dirty entity that gives no request is committed again after this long, then after twice
    // as long each time it still gives none, up to the longest delay.
    static constexpr platform::TimeInterval kCommitRetryDelay = 1.0;
    static constexpr platform::TimeInterval kLongestCommitRetryDelay = 64.0;

    template <class Session>
    static Factory factory();
    static Factory factory() { return factory<ZVRepositorySession>(); }

    explicit ZVRepositorySession(std::shared_ptr<ZVUserCredentials> credentials);
    ~ZVRepositorySession() override;

    // The second step of creation, after the base's: opens the store, loads the maps and applies
    // the profiles' contact records. False when the session cannot start.
    bool initWithRepository(ZVJsonParser* profiles);

    // --- the object graph ---

    const std::shared_ptr<ZVDataRepository>& repository() const { return repository_; }
    const QHash<QString, std::shared_ptr<Contact>>& contacts() const { return contacts_; }
    const QHash<QString, std::shared_ptr<Contact>>& contactsByEmail() const {
        return contactsByEmail_;
    }
    const QHash<QString, std::shared_ptr<Contact>>& contactsByZelvoId() const {
        return contactsByZelvoId_;
    }
    const QHash<QString, std::shared_ptr<Hook>>& hooks() const { return hooks_; }
    const QHash<QString, std::shared_ptr<Team>>& teams() const { return teams_; }
    const QHash<QString, std::shared_ptr<Organisation>>& organisations() const {
        return organisations_;
    }
    const std::shared_ptr<Contact>& localContact() const { return localContact_; }
    // Every stored conversation but the unsaved new one.
    const QHash<QString, std::shared_ptr<Conversation>>& conversations() const {
        return conversations_;
    }
    // The unsaved conversation being composed, if any.
    const std::shared_ptr<Conversation>& newConversation() const { return newConversation_; }
    // Every label of the account, in `index` order (each label's index is its position).
    const std::vector<std::shared_ptr<Label>>& labels() const { return labels_; }

    bool syncFullHistory() const { return syncFullHistory_; }
    // Kept per account; switching it on sends what waits.
    void setSyncFullHistory(bool syncFullHistory);

    // --- look-ups; none when nothing matches ---

    // A stored conversation, the one-to-one conversation with an address ("@"), or the unsaved
    // one for "new"; a null id is logged.
    std::shared_ptr<Conversation> conversationFromId(const QString& conversationId);

    // --- conversations the user starts ---

    // The unsaved conversation with the user as its only member; an earlier one is deleted.
    std::shared_ptr<Conversation> createNewConversation();
    // A new conversation with the source's teams, members and labels.
    std::shared_ptr<Conversation> cloneConversation(const std::shared_ptr<Conversation>& source);
    // The conversation of the user and the person of the address: their dialog, an untitled
    // conversation of the two, or a new one with them added.
    std::shared_ptr<Conversation> dialogWithContact(const QString& email);
    std::shared_ptr<Contact> contactFromId(const QString& accountId);
    std::shared_ptr<Contact> contactFromEmail(const QString& email);
    // By id, then by address: an address on the service's own host by its address name first.
    // An id that matches nothing gets a hidden placeholder contact, asked for from the service.
    std::shared_ptr<Contact> contactFromEmail(const QString& email, const QString& accountId);
    QString fullNameOfContact(const QString& accountId);
    std::shared_ptr<Hook> hookFromId(const QString& hookKey) const;
    // The hook's name, else its owner's; "?" for an unknown hook.
    QString hookName(const QString& hookKey);
    std::shared_ptr<Team> teamFromId(const QString& teamId) const;
    // "?" for an unknown team or one without a name.
    QString teamName(const QString& teamId) const;
    std::shared_ptr<Organisation> organisationById(const QString& organisationId) const;
    // "?" for an unknown organisation.
    QString organisationName(const QString& organisationId) const;
    QStringList allKnownContactIds() override;
    // The stored message with the key, new ones of this answer included.
    std::shared_ptr<Message> messageFromKey(const QString& conversationId, std::int64_t messageNr);
    // The stored file of the message under its attachment id (a preview: the URL it describes).
    std::shared_ptr<File> fileFromConversation(const QString& conversationId,
                                               std::int64_t messageNr, const QString& key);
    // The message's stored files by attachment id, or by name for one without.
    QHash<QString, std::shared_ptr<File>> filesInMessageNr(std::int64_t messageNr,
                                                           const QString& conversationId);
    // A stored file of that content.
    std::shared_ptr<File> fileByHash(const QString& hash);
    // A new local file from a picked medium, its upload started: a large picture is sent
    // reduced unless the account says otherwise. Loader failures reach `onError` unchanged;
    // error 1008 when no file can be made.
    void fileWithLocalUrl(const QUrl& localUrl,
                          std::function<void(std::shared_ptr<File>)> onSuccess,
                          std::function<void(const ZVErrorPtr&)> onError);
    // The file picker's menu; the picked file becomes a local file (its preview shown at once
    // from the pick) handed to `completion`. None without a picker.
    std::shared_ptr<void> pickFileWithCompletion(
        std::function<void(std::shared_ptr<File>)> completion, bool preferFrontCamera);
    // A new local file of the bytes, its upload started; none when it cannot be made.
    std::shared_ptr<File> fileWithData(const QByteArray& data, const QString& name);
    std::shared_ptr<Label> labelFromId(const QString& labelId) const;
    // The first label of the kind.
    std::shared_ptr<Label> labelByType(int type) const;
    // Conversations of the unread label with notifying unread messages; observable as
    // "unreadCount".
    std::int64_t unreadCount() const;

    // --- labels and changed conversations ---

    // Each label takes the changed conversations; one whose membership changed asks for the
    // pages it lacks. A search in progress learns of them too.
    void notifyLabelsWithChanges(const QHash<QString, std::shared_ptr<Conversation>>& changes);
    // While an inbox row is acted on, conversations keep their places; resuming applies what
    // changed meanwhile at once.
    void holdLabelChanges();
    void resumeLabelChanges();
    bool isHoldingLabelChanges() const { return heldConversationChanges_.has_value(); }

    // --- the inbox search ---

    // The search in progress; it hears of every changed contact and conversation.
    const std::shared_ptr<ZVSearch>& search() const { return search_; }
    void setSearch(std::shared_ptr<ZVSearch> search) { search_ = std::move(search); }

    // --- the event stream ---

    ZVErrorPtr handleContact(ZVJsonParser& record) override;
    // A record that answers the creation of the unsaved conversation turns that very object into
    // the stored one, its local messages and files with it.
    ZVErrorPtr handleConversation(ZVJsonParser& record, bool isCreateRequest) override;
    ZVErrorPtr handleHook(ZVJsonParser& record) override;
    ZVErrorPtr handleTeam(ZVJsonParser& record) override;
    ZVErrorPtr handleOrganisation(ZVJsonParser& record) override;
    // A message record: the message is found by its key in the store (one row per key), so a
    // record for a message that no window holds never makes a second row.
    ZVErrorPtr handleMessage(ZVJsonParser& record) override;
    ZVErrorPtr handleFile(ZVJsonParser& record) override;
    // Another member's activity: read and join horizons, and writing or editing.
    ZVErrorPtr handleActivity(ZVJsonParser& record) override;
    // A message being edited, or no longer.
    ZVErrorPtr handleLock(ZVJsonParser& record) override;
    // A label record: "index" -1 removes the label; another index moves it there, and every
    // label's index becomes its position.
    ZVErrorPtr handleLabel(ZVJsonParser& record) override;
    ZVErrorPtr handlePreview(ZVJsonParser& record) override;
    // A file or preview record was applied to `file`; the application's session preloads its
    // preview.
    virtual void notifyFileChanged(const std::shared_ptr<File>& file);

    // Besides the observers, every conversation follows the changed names.
    void notifyContactsChanged(const QSet<QString>& contactIds) override;

    // --- loads, which the stream may overtake ---

    // The request loads the conversation: its answer tells of it as the service saw it when it
    // answered, and the stream, on its own connection, may have brought newer records before that
    // answer is applied. A conversation record the answer carries does not replace what records
    // applied after the request went out set (ZVRepositorySession+Loads.cpp).
    void followLoad(const std::shared_ptr<ZVApiRequest>& request, const QString& conversationId);

    void startTransaction() override;
    void endTransaction() override;
    bool inTransaction() const { return inTransaction_; }
    // The conversation changed: inside a transaction it is only collected for the commit at the
    // transaction's end.
    void conversationChanged(const std::shared_ptr<Conversation>& conversation);
    // Commits each conversation that has changes to send, unless accounts are being signed in.
    void synchronizeConversations(const QList<std::shared_ptr<Conversation>>& conversations);
    // How far the store has come toward holding what the conversations need, 0.0 to 1.0;
    // observable under kRepositorySyncProgressKey.
    float repositorySyncProgress() const { return repositorySyncProgress_; }
    void updateSyncProgress();
    // The conversation of the id, registered as changed; none for an unknown id.
    std::shared_ptr<Conversation> conversationChangedWithId(const QString& conversationId);
    // The conversations changed in the open transaction.
    const QHash<QString, std::shared_ptr<Conversation>>& changedConversations() const {
        return changedConversations_;
    }

    // Deletes the conversation's messages the service has stored; local ones stay.
    void deleteMessagesFromConversation(const QString& conversationId);
    // Deletes everything stored under the conversation's id besides the conversation and its
    // members (which go with it): its messages, local ones included, and its files.
    void deleteConversationContents(const QString& conversationId);

    // The one rule by which every record kind is applied. The object (or a new one of the entity
    // when it holds none) reads the record and is validated; a new object that fails is deleted
    // again. Error 1008 when no object can be made.
    template <class T>
    ZVErrorPtr createOrUpdateObject(std::shared_ptr<T>& object, const QString& entityName,
                                    ZVJsonParser& record);
    // The upsert of the object under the record's `keyField` in `objects`; "is_deleted" removes
    // a known one from the store and the map (an unknown one is made like any other).
    template <class T>
    ZVErrorPtr createOrUpdateObjectInList(QHash<QString, std::shared_ptr<T>>& objects,
                                          const QString& keyField, const QString& entityName,
                                          ZVJsonParser& record);

    // --- committing local changes ---

    // Sends the entity's lowest dirty field under its guid, and the next one when that is
    // answered, until it is clean. Nothing is sent before the account's first poll answer.
    void commitObject(const std::shared_ptr<ZVManagedObject>& object);
    // Sends every dirty contact, and asks for the pages that labels lack.
    void synchronizeData();
    // Lets every conversation's outgoing queue send, a queue made from the store where a
    // conversation has local messages left by an earlier run.
    void sendPendingMessages();

    // --- life cycle ---

    void saveContext() override;
    void connectionEstablished() override;
    void initialSyncCompleted() override;
    void eraseLocalData() override;
    void endSession(EndReason reason) override;

private:
    void enterContact(const std::shared_ptr<Contact>& contact);
    void removeContact(const std::shared_ptr<Contact>& contact);
    void deleteObject(const std::shared_ptr<platform::ManagedObject>& object);
    void loadContacts();
    void loadObjectsWithoutContacts();
    void loadConversations();
    void commitConversations(const QHash<QString, std::shared_ptr<Conversation>>& conversations);
    void scheduleSynchronizeConversations(
        const QList<std::shared_ptr<Conversation>>& conversations);
    void announceUnreadCount();
    void deleteConversation(const std::shared_ptr<Conversation>& conversation);
    // Moves the rows stored under one conversation id to another.
    // Local message numbers (and the files that name them) move up by `localNrShift`, so that
    // they do not meet the local messages the receiving conversation has of its own.
    void moveConversationContents(const QString& fromId, const QString& toId,
                                  std::int64_t localNrShift = 0);
    // The create answer named a conversation the stream had already brought: what was composed in
    // the unsaved one moves onto it.
    void mergeNewConversationInto(const std::shared_ptr<Conversation>& conversation);
    // Deletes the rows of `entityName` that match; an entity the model lacks has none.
    void deleteRows(const QString& entityName, const QString& predicate,
                    const QVariantMap& arguments);
    void loadLabels();
    // After a transaction that brought label records: relations and lists of new labels.
    void refreshLabels();
    void renumberLabels();
    // Applies the changes to the labels now, or keeps them while label changes are held.
    void labelsTakeChanges(const QHash<QString, std::shared_ptr<Conversation>>& changes);
    // After a save that failed: the objects it made are gone, and those it changed are as saved.
    void reloadObjectGraph();
    template <class T>
    void loadObjects(const QString& entityName, QHash<QString, std::shared_ptr<T>>& objects,
                     QString (T::*key)() const);
    void horizonChanged();
    // Before a resynchronisation wipes the store (ZVRepositorySession+Resync.cpp).
    void keepUnsentWorkAside();
    // After each answer: the kept work of every conversation the new store has by now.
    void restoreUnsentWork();
    // The work with the local files of its messages copied out of the account's folder, and
    // named there.
    QJsonObject keepFilesAside(QJsonObject work) const;
    QString keptFilesFolder() const;
    void removeKeptFiles() const;
    static ZVErrorPtr validationError(const std::shared_ptr<platform::StoreError>& error);

    // The count of ordered records when the load being answered went out; none while any other
    // answer, or no answer, is applied.
    std::optional<std::int64_t> answeredLoadMark() const;
    // Counts a conversation record applied in order, and keeps which keys it set while a load of
    // the conversation is out.
    void noteOrderedRecord(const QString& conversationId, const QJsonObject& fields, bool deleted);
    // The load's record of the conversation without the keys that ordered records applied since
    // the load went out set; none when such a record deleted the conversation.
    std::optional<QJsonObject> loadRecordAfterStream(const QString& conversationId,
                                                     const QJsonObject& fields,
                                                     std::int64_t mark) const;
    // Forgets the loads that are no longer out, and what was kept for them.
    void pruneLoads();

    bool syncFullHistory_ = false;
    QHash<QString, std::shared_ptr<Contact>> contacts_;
    QHash<QString, std::shared_ptr<Hook>> hooks_;
    QHash<QString, std::shared_ptr<Contact>> contactsByEmail_;
    QHash<QString, std::shared_ptr<Contact>> contactsByZelvoId_;
    QHash<QString, std::shared_ptr<Conversation>> conversations_;
    std::shared_ptr<Conversation> newConversation_;
    QHash<QString, std::shared_ptr<Organisation>> organisations_;
    QHash<QString, std::shared_ptr<Team>> teams_;
    std::shared_ptr<Contact> localContact_;
    std::vector<std::shared_ptr<Label>> labels_;
    // A label record arrived in the open transaction.
    bool labelsChanged_ = false;
    // Changed conversations collected while label changes are held.
    std::optional<QHash<QString, std::shared_ptr<Conversation>>> heldConversationChanges_;
    std::shared_ptr<ZVDataRepository> repository_;

    bool inTransaction_ = false;
    QHash<QString, std::shared_ptr<Conversation>> changedConversations_;
    // Composed conversations the service made during the transaction: their first messages go
    // out once it is saved.
    std::vector<std::shared_ptr<Conversation>> madeConversations_;
    // The required count at which the store last held everything.
    std::int64_t syncBaseline_ = 0;
    float repositorySyncProgress_ = 1.0f;
    // A conversation's commit is running; the changes it makes are its own.
    bool inCommit_ = false;
    // Sends of the conversations an answer changed; they end with the session.
    platform::TimerGroup conversationSyncs_;
    // The last save of the store was rolled back.
    bool lastSaveFailed_ = false;
    // The stream position the open transaction started from: what the account falls back to
    // when the answer cannot be saved.
    std::int64_t horizonAtStart_ = 0;
    // A process that starts again sends what its last run left once its first answer is in, even
    // when the connection never changed.
    bool sentAfterFirstAnswer_ = false;
    // The last horizon seen, to notice the first answer of an account that started from 0.
    std::int64_t knownHorizon_ = 0;
    platform::Observation horizonObservation_;
    // Commits waiting for an entity that gave no request; they end with the session.
    platform::TimerGroup commitRetries_;
    // By guid: how long the next retry of an entity without a request waits.
    QHash<QString, platform::TimeInterval> commitBackoff_;
    std::shared_ptr<ZVSearch> search_;
    // Work a resynchronisation kept aside whose conversation the store does not have yet.
    QJsonArray unsentWork_;
    // Conversation records applied in order: those of the stream and of the answers to any call
    // but a load.
    std::int64_t orderedRecords_ = 0;
    struct LoadOut {
        std::weak_ptr<ZVApiRequest> request;
        // orderedRecords_ when it went out.
        std::int64_t mark = 0;
        QString conversationId;
    };
    std::vector<LoadOut> loadsOut_;
    // For the conversations of the loads out, by conversation id and key: orderedRecords_ after
    // the last ordered record that set the key ("is_deleted" for a deletion).
    QHash<QString, QHash<QString, std::int64_t>> keysSetAt_;
};

template <class Session>
ZVApiSession::Factory ZVRepositorySession::factory() {
    static_assert(std::is_base_of_v<ZVRepositorySession, Session>);
    return [](const std::shared_ptr<ZVUserCredentials>& credentials,
              ZVJsonParser* profiles) -> std::shared_ptr<ZVApiSession> {
        auto session = std::make_shared<Session>(credentials);
        // The profile comes first; its contact records wait for the store and the maps.
        session->initWithProfiles(nullptr);
        if (!session->initWithRepository(profiles)) {
            return nullptr;
        }
        return session;
    };
}

template <class T>
ZVErrorPtr ZVRepositorySession::createOrUpdateObject(std::shared_ptr<T>& object,
                                                     const QString& entityName,
                                                     ZVJsonParser& record) {
    if (object) {
        if (ZVErrorPtr error = object->deserializeFromJson(record)) {
            return error;
        }
        return validationError(object->validateForUpdate());
    }
    std::shared_ptr<T> created =
        repository_ ? repository_->createObjectOfClass<T>(entityName) : nullptr;
    if (!created) {
        return ZVError::errorWithCode(ZVError::InvalidData);
    }
    ZVErrorPtr error;
    if constexpr (std::is_base_of_v<ZVManagedObject, T>) {
        created->setReadingNewObject(true);
        error = created->deserializeFromJson(record);
        created->setReadingNewObject(false);
    } else {
        error = created->deserializeFromJson(record);
    }
    if (!error) {
        error = validationError(created->validateForInsert());
    }
    if (error) {
        deleteObject(created);
        return error;
    }
    object = std::move(created);
    return nullptr;
}

template <class T>
ZVErrorPtr ZVRepositorySession::createOrUpdateObjectInList(
    QHash<QString, std::shared_ptr<T>>& objects, const QString& keyField, const QString& entityName,
    ZVJsonParser& record) {
    const QString key = record.extractString(keyField);
    if (key.isNull()) {
        return record.error();
    }
    const bool deleted = record.extractBool(u"is_deleted", false);
    std::shared_ptr<T> object = objects.value(key);
    if (deleted && object) {
        deleteObject(object);
        objects.remove(key);
        return nullptr;
    }
    ZVErrorPtr error = createOrUpdateObject(object, entityName, record);
    if (!error) {
        object->awakeFromFetch();
        objects.insert(key, object);
    }
    return error;
}
