#pragma once

#include "tests/emulator/EmulatorTypes.h"

#include <QtCore/QJsonObject>
#include <QtCore/QString>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

class QTemporaryDir;

namespace zvemu {

// The service, emulated in-process for the tests: an HTTP/1.1 server on 127.0.0.1 on a free port,
// with its own threads, answering the API's POSTs below "/api/".
//
// Every request is recorded (with what is wrong with its envelope) before it is answered. An
// answer comes from, in order: a fault injected for the path, an answer scripted for the path, or
// the path's route. Routes are registered by path; a session route accepts only a call whose
// "ticket" and "token_id" cookie belong to one sign-in of an account, and answers 401 otherwise.
// With a strict envelope (the default) a malformed call is answered 400.
//
// Every hold (an injected delay, a waiting poll) is bounded and ends at once when the emulator
// stops. All state sits behind one mutex; handlers run on the server's threads without it.
class ServiceEmulator {
public:
    enum class Access { Public, Session };
    enum class Compression { WhenAccepted, Never, Always };
    using Handler = std::function<Reply(Call&)>;

    struct Options {
        // Serve HTTPS with a self-signed certificate.
        bool tls = false;
        // Requests a connection carries before the emulator closes it; above 1 the client may
        // send a request on a connection that the emulator has kept open from an earlier one.
        std::size_t requestsPerConnection = 1;
    };

    // No hold lasts longer than this, whatever a test asks.
    static constexpr std::chrono::milliseconds kMaxHold{30000};
    static constexpr std::chrono::milliseconds kDefaultPollHold{10000};

    ServiceEmulator();
    explicit ServiceEmulator(Options options);
    ~ServiceEmulator();
    ServiceEmulator(const ServiceEmulator&) = delete;
    ServiceEmulator& operator=(const ServiceEmulator&) = delete;

    // Listens on a free port of 127.0.0.1. False when no port could be bound.
    bool start();
    // Releases every held request and stops; returns once the server's threads have ended.
    void stop();
    bool isRunning() const;
    int port() const;
    // "http://127.0.0.1:<port>/" (https with TLS).
    QString baseUrl() const;
    // baseUrl() + "api/".
    QString apiUrl() const;

    // --- routes (paths below "api/") ---

    void route(const QString& path, Access access, Handler handler);
    // Every path that begins with `prefix`; the rest reaches the handler as Call::pathTail.
    void routePrefix(const QString& prefix, Access access, Handler handler);
    // The handler of the path's route, or else of the prefix route of exactly that prefix, so
    // that a route laid over it can pass calls on; none when there is neither.
    Handler routeHandler(const QString& path) const;

    // --- behaviour ---

    void setCompression(Compression compression);
    void setStrictEnvelope(bool strict);
    // How long a waiting poll is held without news (at most kMaxHold).
    void setPollHoldLimit(std::chrono::milliseconds limit);

    // The next `times` calls of the path get `reply` (after their faults).
    void scriptAnswer(const QString& path, Reply reply, int times = 1);
    // The next `times` calls of the path play `fault`; a negative count plays it on every call
    // until cleared. Faults queued for a path play in the order queued.
    void injectFault(const QString& path, Fault fault, int times = 1);
    // Clears the faults and scripts of a path, or of every path.
    void clearFaults(const QString& path = {});

    // --- accounts ---

    Account addAccount(const QString& email, const QString& password,
                       const QString& displayName = {});
    // By account id or e-mail.
    std::optional<Account> account(const QString& idOrEmail) const;
    void updateAccount(const QString& accountId, const std::function<void(Account&)>& change);
    // Issues a ticket and a token as a sign-in would, without a call.
    Credentials issueCredentials(const QString& accountId);
    // The account that a ticket and token were issued together to.
    std::optional<Account> accountForCredentials(const QString& ticket, const QString& token) const;
    QList<Account> accounts() const;

    // --- event log ---

    // Appends a record to the account's stream; returns its horizon. Wakes the account's waiting
    // polls.
    qint64 appendEvent(const QString& accountId, const QJsonObject& record);
    // The account's current stream position.
    qint64 eventHorizon(const QString& accountId) const;
    // The records after `horizon` (all of them for a horizon of 0 or less). When there are none
    // and `wait` is set, holds until one arrives, the poll hold limit passes or the emulator stops.
    EventBatch eventsAfter(const QString& accountId, qint64 horizon, bool wait);
    // The same, at most `maxRecords` of them, with the horizon after the last one given.
    EventBatch eventsAfter(const QString& accountId, qint64 horizon, bool wait, int maxRecords);
    // Appends the records in one step, so that one answer carries them all; returns the horizon.
    qint64 appendEvents(const QString& accountId, const QList<QJsonObject>& records);
    // While paused, the account's polls see only the records appended before the pause (and
    // wait for more): what a call adds reaches the client after the call's own answer.
    void pauseStream(const QString& accountId);
    void resumeStream(const QString& accountId);

    // --- conversations, for the account's actions ---

    // A conversation of the accounts with the topic; returns its id. `joinKey` is the key of its
    // join link (its id when empty).
    QString addConversation(const QString& topic, const QStringList& memberIds,
                            const QString& joinKey = {});
    // Stores a message of the account in the conversation without streaming it, as one the
    // account's devices have not been sent yet; returns its number (0 for an unknown
    // conversation).
    qint64 addMessage(const QString& conversationId, const QString& accountId, const QString& text);
    // What another member's call changes in a conversation; what is absent stays.
    struct ConversationChange {
        std::optional<QString> topic;
        std::optional<QStringList> members;
    };
    // Changes the conversation as another member's call would, and streams its record to its
    // members and to those the change removed. False for an unknown conversation.
    bool changeConversation(const QString& conversationId, const ConversationChange& change);
    // The records of a conversation and of one of its messages, as the stream carries them; none
    // when unknown.
    std::optional<QJsonObject> conversationRecord(const QString& conversationId) const;
    std::optional<QJsonObject> messageRecord(const QString& conversationId, qint64 messageNr) const;

    // --- file storage ---
    //
    // Uploads are PUTs of the file's bytes to "/api/file/upload" or "/api/avatar/upload" with
    // "?ticket=", the "token_id" cookie and a Content-Disposition naming the file; the answer is
    // {"files": [{"upload_url": "zelvo-upload:<id>", "file_name", "file_size", "file_sha256",
    // "file_type", and "width" and "height" for pictures}]}. Downloads are GETs of a stored file's
    // URL, with a single byte range (and If-Range) honoured. Faults and scripts are planned by the
    // request's path ("file/upload", "/files/<id>/<name>").

    struct StoredFile {
        QString id;
        QString name;
        QByteArray data;
        QByteArray contentType;
        // Who uploaded it; empty for a file a test put there.
        QString accountId;
        // A Session file is served only with a "token_id" cookie of a sign-in.
        Access access = Access::Session;
        // "<baseUrl>files/<id>/<name>".
        QString url;
    };

    // Puts a file in the storage; returns its URL.
    QString storeFile(const QString& name, const QByteArray& data, Access access = Access::Session,
                      const QByteArray& contentType = {});
    // By id, by "zelvo-upload:" reference or by URL.
    std::optional<StoredFile> storedFile(const QString& reference) const;
    // Honour Range requests (the default) or answer every download whole, without Accept-Ranges.
    void setRangeRequests(bool supported);
    // The next download of the URL or path sends `afterBytes` bytes of its body, then ends the
    // connection: at once, or, with `hold`, once releaseHeld() is called or the emulator stops.
    void cutDownload(const QString& urlOrPath, qint64 afterBytes, bool hold = false);

    // --- web sign-in ---
    //
    // GETs of "authenticate/google" and "authenticate/microsoft" below the base URL: the identity
    // provider's step, a form (input "email", submitted to "<page>/result") beside a "link-signup"
    // link; the result page signs the account of that e-mail in and carries the sign-in's JSON
    // {"action": "authenticate", "ticket", "profiles"} in the hidden input "inputHiddenValue",
    // with the "token_id" cookie set. An unknown e-mail gets the action "unknown_account". The
    // requests are recorded under their targets.

    struct WebSignInResult {
        // The hidden input's text instead of the sign-in's JSON.
        std::optional<QString> hiddenValue;
        // The cookie's value instead of the issued token; empty sets no cookie at all.
        std::optional<QString> token;
    };
    // What the result pages carry from now on.
    void setWebSignInResult(WebSignInResult result);

    // --- what was received ---

    QList<RecordedRequest> requests(const QString& path = {}) const;
    int requestCount(const QString& path = {}) const;
    std::optional<RecordedRequest> lastRequest(const QString& path = {}) const;
    void clearRequests();
    // Requests being held right now (delays and waiting polls).
    int heldCount() const;
    // Ends every hold in progress now: delayed answers go out, waiting polls answer what they have.
    void releaseHeld();

private:
    struct RouteEntry {
        Access access = Access::Public;
        Handler handler;
    };
    struct Planned {
        Fault fault;
        int remaining = 1;  // negative: forever
    };
    struct PlannedReply {
        Reply reply;
        int remaining = 1;
    };
    struct EventLog {
        std::vector<QJsonObject> records;
        // The records polls may see while the stream is paused.
        std::optional<std::size_t> visible;
    };

    struct DownloadCut {
        qint64 afterBytes = 0;
        bool hold = false;
    };

    void installStandardRoutes();
    // Conversations, messages, search and the account's own settings.
    struct ConversationBook;
    void installSessionActionRoutes();
    std::shared_ptr<ConversationBook> conversations_;
    // Answers the file storage's requests; false for any other request.
    bool handleFileRequest(const httplib::Request& request, httplib::Response& response);
    void answerUpload(const httplib::Request& request, httplib::Response& response);
    void answerDownload(const httplib::Request& request, httplib::Response& response);
    // Answers the web sign-in pages; false for any other request.
    bool handleWebSignInPage(const httplib::Request& request, httplib::Response& response);
    void handle(const httplib::Request& request, httplib::Response& response);
    RecordedRequest record(const httplib::Request& request);
    void setStatus(int sequence, int status);
    std::optional<Fault> takeFault(const QString& path);
    // The path's next fault, once its delay has been held; a Status fault is answered here.
    std::optional<Fault> playFault(const httplib::Request& received, const RecordedRequest& request,
                                   httplib::Response& response);
    std::optional<Reply> takeScript(const QString& path);
    Reply answer(Call& call, const RecordedRequest& request);
    void hold(std::chrono::milliseconds duration);
    void write(const RecordedRequest& request, Reply reply, bool dropConnection,
               httplib::Response& response);
    qint64 headLocked(const QString& accountId) const;
    // The head that polls see: the pause's while the stream is paused.
    qint64 visibleHeadLocked(const QString& accountId) const;

    Options options_;
    std::unique_ptr<httplib::Server> server_;
    std::unique_ptr<QTemporaryDir> certificateDir_;
    std::thread thread_;
    int port_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool running_ = false;
    bool stopping_ = false;
    int held_ = 0;
    // Moves on each releaseHeld(); a hold ends when it sees it change.
    std::uint64_t releases_ = 0;
    Compression compression_ = Compression::WhenAccepted;
    bool strictEnvelope_ = true;
    std::chrono::milliseconds pollHold_ = kDefaultPollHold;
    std::map<QString, RouteEntry> routes_;
    std::map<QString, RouteEntry> prefixRoutes_;
    std::map<QString, std::deque<Planned>> faults_;
    std::map<QString, std::deque<PlannedReply>> scripts_;
    std::map<QString, Account> accounts_;
    std::map<QString, EventLog> events_;
    std::vector<RecordedRequest> requests_;
    std::map<QString, StoredFile> files_;
    std::map<QString, std::deque<DownloadCut>> cuts_;
    WebSignInResult webSignInResult_;
    bool rangeRequests_ = true;
    int nextSequence_ = 1;
};

}  // namespace zvemu
