#pragma once

#include "ZelvoKit/ZelvoApi/session/ZVContactChangeObserver.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfersDelegate.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Observable.h"
#include "platform/foundation/Scheduler.h"

#include <QtCore/QByteArray>
#include <QtCore/QJsonArray>
#include <QtCore/QSet>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class ZVApiRequest;
class ZVFileTransferTask;
class ZVUserCredentials;
class ZVUserProfile;

// One signed-in account as the API client sees it: its credentials and profile, its position in
// the service's event stream, and the hooks through which the stream's records and transactions
// reach the data side, which derives from this class and overrides them.
//
// Sessions are made by ZVApi through the registered session factory (see factory()), and are always
// held by std::shared_ptr. Main thread only.
class ZVApiSession : public platform::Observable,
                     public std::enable_shared_from_this<ZVApiSession> {
public:
    // Why a session ends.
    enum class EndReason : int { Logout = 1, TicketRejected = 2, Resync = 3 };

    // Makes a session of a subclass: the object, then its second step of creation.
    using Factory = std::function<std::shared_ptr<ZVApiSession>(
        const std::shared_ptr<ZVUserCredentials>& credentials, ZVJsonParser* profiles)>;
    template <class Session>
    static Factory factory() {
        return [](const std::shared_ptr<ZVUserCredentials>& credentials, ZVJsonParser* profiles) {
            std::shared_ptr<ZVApiSession> session = std::make_shared<Session>(credentials);
            session->initWithProfiles(profiles);
            return session;
        };
    }
    static std::shared_ptr<ZVApiSession> create(
        const std::shared_ptr<ZVUserCredentials>& credentials, ZVJsonParser* profiles = nullptr);

    // Reads the saved event horizon. initWithProfiles() must follow before the session is used.
    explicit ZVApiSession(std::shared_ptr<ZVUserCredentials> credentials);
    virtual ~ZVApiSession();
    ZVApiSession(const ZVApiSession&) = delete;
    ZVApiSession& operator=(const ZVApiSession&) = delete;

    // Creates the profile (which needs the session's own shared pointer) and hands each record of
    // the "profiles" array, when given, to handleContact().
    void initWithProfiles(ZVJsonParser* profiles);
    // Hands each record of the "profiles" array (none when null) to handleContact(); a session
    // that can keep contacts only once its store is open calls it again then.
    void handleProfiles(ZVJsonParser* profiles);

    const std::shared_ptr<ZVUserCredentials>& credentials() const { return credentials_; }
    const std::shared_ptr<ZVUserProfile>& profile() const { return profile_; }
    // The account's uuid: it names the account's local data and keys the session in ZVApi.
    QString sessionId() const;
    // Whether `id` has the form of the service's account ids (a UUID), and so may name a folder.
    static bool isAccountId(const QString& id);
    // The accounts' order: negative when this session comes first, positive when after. Accounts
    // placed by ZVApi::orderSession() come before the others, which follow by display name.
    int compare(const ZVApiSession& other) const;

    // --- per-account settings, in the standard user defaults under "<e-mail>.<name>" ---

    QString sessionKey(const QString& name) const;
    std::int64_t integerForKey(const QString& name) const;
    void setInteger(std::int64_t value, const QString& name);
    // A null value removes the setting.
    QString stringForKey(const QString& name) const;
    void setString(const QString& value, const QString& name);
    // Kept as the integer 1 or 0.
    bool boolForKey(const QString& name) const;
    void setBool(bool value, const QString& name);
    // Kept as a compact JSON text; none when absent or not a JSON array. None removes the setting.
    std::optional<QJsonArray> arrayForKey(const QString& name) const;
    void setArray(const std::optional<QJsonArray>& value, const QString& name);

    // --- requests on the account's behalf ---

    void sendRequest(const std::shared_ptr<ZVApiRequest>& request);
    void queueRequest(const std::shared_ptr<ZVApiRequest>& request, const QString& name);
    // "account/poll" with the current horizon, neither tagged nor sent.
    std::shared_ptr<ZVApiRequest> getPollRequestWait(bool wait);

    // --- stream position and progress ---

    std::int64_t eventHorizon() const { return eventHorizon_; }
    // Announced as "eventHorizon" and saved; the first positive horizon after a negative one
    // completes the initial synchronisation.
    void setEventHorizon(std::int64_t eventHorizon);
    float syncProgress() const { return syncProgress_; }
    // A plain store: the caller announces "syncProgress".
    void setSyncProgress(float progress) { syncProgress_ = progress; }

    // --- file transfers ---

    // The delegates of this account's background transfer keyed by `url`, found again after a
    // relaunch; none here.
    virtual std::optional<ZVFileTransfersDelegate::Delegates> restoreFileTransferDelegatesByUrl(
        const QString& url, const std::shared_ptr<ZVFileTransferTask>& transfer);

    // --- record hooks: each returns the error of a record it could not apply ---

    virtual ZVErrorPtr handleContact(ZVJsonParser& record);
    ZVErrorPtr handleConversation(ZVJsonParser& record);
    // Also called with the "header" of any answer; `isCreateRequest` for a conversation's creation.
    virtual ZVErrorPtr handleConversation(ZVJsonParser& record, bool isCreateRequest);
    virtual ZVErrorPtr handleMessage(ZVJsonParser& record);
    virtual ZVErrorPtr handleActivity(ZVJsonParser& record);
    virtual ZVErrorPtr handleHook(ZVJsonParser& record);
    virtual ZVErrorPtr handleTeam(ZVJsonParser& record);
    virtual ZVErrorPtr handleFile(ZVJsonParser& record);
    virtual ZVErrorPtr handlePreview(ZVJsonParser& record);
    virtual ZVErrorPtr handleLock(ZVJsonParser& record);
    virtual ZVErrorPtr handleLabel(ZVJsonParser& record);
    virtual ZVErrorPtr handleOrganisation(ZVJsonParser& record);
    virtual ZVErrorPtr handleOrgMember(ZVJsonParser& record);

    // --- life-cycle hooks ---

    // Around the application of one answer.
    virtual void startTransaction();
    virtual void endTransaction();
    // The request whose answer is being applied, set by ZVApi around the answer's transaction;
    // none between answers. An answer to a request travelled on its own connection and may be
    // older than records the stream has brought meanwhile: the data side tells them apart by it.
    const std::shared_ptr<ZVApiRequest>& answeredRequest() const { return answeredRequest_; }
    void setAnsweredRequest(std::shared_ptr<ZVApiRequest> request) {
        answeredRequest_ = std::move(request);
    }
    virtual void connectionEstablished();
    virtual void initialSyncCompleted();
    virtual bool hasBackgroundTasks();
    virtual void saveContext();
    // Removes the account's folder below the caches.
    virtual void eraseLocalData();

    // Ends the account's session and removes it from ZVApi: a sign-out tells the service first;
    // a sign-out or a rejected ticket leave nothing of the account on the device; a resync erases
    // the local data and opens a new session for the same credentials and profile. Only the first
    // call acts.
    virtual void endSession(EndReason reason);
    bool hasEnded() const { return ended_; }

    // --- contacts ---

    // Contact records asked for, and a contact search, go out together a second later, one
    // request at a time.
    static constexpr platform::TimeInterval kContactSyncDelay = 1.0;

    // Asks the service for the contact's record.
    void synchronizeContactWithId(const QString& contactId);
    // Asks the service for contacts matching `text` (an empty text is ignored).
    void searchContacts(const QString& text);
    // Sends what is waiting, unless a contact request of this account is running.
    void startContactSync();
    // A pass waiting out the back-off of a failed one runs now (the connection is back).
    void retryContactSyncNow();
    // The ids of the contacts the account has; none in this base class.
    virtual QStringList allKnownContactIds();
    const std::optional<QSet<QString>>& contactsNeedingSync() const { return contactsNeedingSync_; }
    const QString& contactSearchText() const { return contactSearchText_; }
    // Contacts handled since the current transaction began.
    const std::optional<QSet<QString>>& changedContacts() const { return changedContacts_; }
    // Each observer at most once, held until removed.
    void addContactChangeObserver(const std::shared_ptr<ZVContactChangeObserver>& observer);
    void removeContactChangeObserver(const std::shared_ptr<ZVContactChangeObserver>& observer);
    // Tells the observers, in the order they were added, and the profile.
    virtual void notifyContactsChanged(const QSet<QString>& contactIds);

    // Collects a line of diagnostics for accounts with debug logging: within a transaction the
    // lines are written together when it ends, outside one at once.
    template <class... Args>
    void emitDebugInfo(QStringView format, const Args&... args) {
        if (debugLoggingEnabled()) {
            appendDebugInfo(platform::format(format, args...));
        }
    }

    // --- actions on the account's behalf: each one request, sent at once ---
    //
    // An empty block is not called. Operations without an error block leave their failures to
    // ZVApi's default error handler.

    using ActionBlock = std::function<void()>;
    using ActionErrorBlock = std::function<void(const ZVErrorPtr& error)>;
    using ConversationIdBlock = std::function<void(const QString& conversationId)>;
    using MessageNrBlock = std::function<void(std::int64_t messageNr)>;
    using SearchResultBlock =
        std::function<void(const QString& conversationId, std::int64_t messageNr)>;
    using SkippedCountBlock = std::function<void(std::int64_t skippedCount)>;

    // The device's push token for this account alone (ZVApi registers it for all accounts).
    void submitApnToken(const QByteArray& deviceToken);
    // A null topic is not sent. `onSuccess` gets the new conversation's id when the answer names
    // it.
    void createConversationWithTopic(const QString& topic, const QStringList& emails,
                                     ConversationIdBlock onSuccess, ActionErrorBlock onError);
    void removeMembers(const QStringList& accountIds, const QString& conversationId,
                       ActionBlock onSuccess, ActionErrorBlock onError);
    void removeTeams(const QStringList& teamIds, const QString& conversationId,
                     ActionBlock onSuccess, ActionErrorBlock onError);
    void addMembers(const QStringList& emails, const QString& conversationId, ActionBlock onSuccess,
                    ActionErrorBlock onError);
    void deleteAttachment(const QString& attachmentId, std::int64_t messageNr,
                          const QString& conversationId, ActionBlock onSuccess,
                          ActionErrorBlock onError);
    void deleteMessageNr(std::int64_t messageNr, const QString& conversationId,
                         ActionBlock onSuccess, ActionErrorBlock onError);
    void pinMessageNr(std::int64_t messageNr, const QString& conversationId, ActionBlock onSuccess);
    void unpinMessageNr(std::int64_t messageNr, const QString& conversationId);
    void leaveConversationWithId(const QString& conversationId);
    void setMyDisplayName(const QString& displayName);
    void setMyPhoneNumber(const QString& phoneNumber);
    void deleteMyAvatarOnSuccess(ActionBlock onSuccess, ActionErrorBlock onError);
    // Uploads the picture at `localUrl` as the account's avatar; `onProgress` gets the share sent
    // so far. An upload that cannot start (no file, signed out) fails at once.
    void setMyAvatar(const QUrl& localUrl, ActionBlock onSuccess,
                     std::function<void(float progress)> onProgress, ActionErrorBlock onError);
    void changePasswordOld(const QString& oldPassword, const QString& newPassword,
                           ActionBlock onSuccess, ActionErrorBlock onError);
    void deleteConversation(const QString& conversationId, ActionBlock onSuccess,
                            ActionErrorBlock onError);
    // Cancels the account's running message search, whose blocks then never run.
    void cancelPendingSearch();
    // One search per account runs: a new one cancels the one before. Searches one conversation,
    // or all of them for a null id. `onResult` gets each matching message once the session has
    // it; `onSuccess` how many matches the service left out.
    void searchMessages(const QString& keywords, const QString& conversationId,
                        SearchResultBlock onResult, SkippedCountBlock onSuccess,
                        ActionErrorBlock onError);
    void snoozeConversation(const QString& conversationId, std::int64_t currentHorizon,
                            ActionBlock onSuccess, ActionErrorBlock onError);
    // A null subject, no attachments (the upload references) and no message number are not
    // sent. A null request id gets a new one. `onSuccess` runs once with the stored message's
    // number, from the answer or from an event-stream record naming the request, whichever comes
    // first; after it, a failure of the request is not reported.
    void postMessage(const QString& text, const QString& subject,
                     const std::optional<QStringList>& attachments, const QString& conversationId,
                     std::optional<std::int64_t> syncFromMessageNr, bool isRetry,
                     const QString& requestId, MessageNrBlock onSuccess, ActionErrorBlock onError);
    // The conversation's whole history, or from a message on, for the addresses.
    void discloseHistoryInConversation(const QString& conversationId, const QStringList& emails,
                                       ActionBlock onSuccess, ActionErrorBlock onError);
    void discloseHistoryInConversation(const QString& conversationId, std::int64_t fromMessageNr,
                                       const QStringList& emails, ActionBlock onSuccess,
                                       ActionErrorBlock onError);
    // `urlKey` is the key of the conversation's join link; `onSuccess` gets the conversation's id
    // when the answer names it.
    void joinConversationByUrl(const QString& urlKey, ConversationIdBlock onSuccess,
                               ActionErrorBlock onError);

private:
    bool debugLoggingEnabled() const;
    void appendDebugInfo(const QString& text);
    void scheduleContactSync(platform::TimeInterval delay);
    // Retries what may pass (the network, a 5xx) with the API client's back-off; drops the ids of
    // anything else.
    void contactSyncFailed(const ZVErrorPtr& error, const QSet<QString>& asked);
    // Stops waiting for the ids still waiting of `ids`, and logs which.
    void dropContactsFromSync(const QSet<QString>& ids, const ZVErrorPtr& error);
    // Removes the account's own settings ("<e-mail>.<name>") from the standard defaults.
    void eraseSettings();

    std::shared_ptr<ZVUserCredentials> credentials_;
    std::shared_ptr<ZVUserProfile> profile_;
    std::int64_t eventHorizon_ = 0;
    float syncProgress_ = 0;
    std::shared_ptr<ZVApiRequest> answeredRequest_;
    // Open (not empty) while a transaction runs.
    std::optional<QString> debugMessage_;

    bool ended_ = false;
    std::optional<QSet<QString>> changedContacts_;
    std::optional<QSet<QString>> contactsNeedingSync_;
    QString contactSearchText_;
    std::vector<std::shared_ptr<ZVContactChangeObserver>> contactChangeObservers_;
    platform::TimerHandle contactSyncTimer_;
    // Consecutive network failures of contact requests, for their back-off.
    int contactSyncFailures_ = 0;
    // The last contact request failed: its pass waits out the back-off, or a connection.
    bool contactSyncRetrying_ = false;
};
