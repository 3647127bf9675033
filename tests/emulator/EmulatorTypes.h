#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QJsonObject>
#include <QtCore/QList>
#include <QtCore/QPair>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <chrono>
#include <optional>
#include <vector>

namespace zvemu {

class ServiceEmulator;

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// A ticket and its "token_id" cookie, issued together by one sign-in.
struct Credentials {
    QString ticket;
    QString token;
};

// An account of the emulated service.
struct Account {
    QString accountId;  // lower-case UUID
    QString email;
    QString password;
    QString displayName;
    bool active = true;
    std::vector<Credentials> issued;
    // The username on the service's host; empty when none is claimed.
    QString zelvoAddress;
    QStringList clientFlags;
    // A word of "mk_email_interval"; empty when never set.
    QString emailInterval;
    // Sign-up: the code mailed to the address, and the id that completes the sign-up (or signs in
    // by an e-mail link).
    QString registrationCode;
    QString notificationId;
    // The last push token handed over, and the tokens it was handed over for.
    QString apnToken;
    QStringList apnTokenIds;
};

// One request as the emulator received it.
struct RecordedRequest {
    int sequence = 0;
    QString httpMethod;
    // As requested ("/api/account/login").
    QString target;
    // Below "/api/" ("account/login"); the target itself for anything else.
    QString path;
    HeaderList headers;
    QByteArray rawBody;
    // The body when it is a JSON object, else empty.
    QJsonObject body;
    bool bodyIsObject = false;
    // What is wrong with the request's envelope; empty for a well-formed call.
    QStringList problems;
    // The account whose ticket and cookie the call carried; empty when none matched.
    QString accountId;
    // The status answered; 0 while the call is being handled, -1 when the connection was dropped.
    int status = 0;
    // The client's end of the connection it came on: calls on one kept-alive connection share it.
    int clientPort = 0;

    // Case-insensitive; a null array when absent.
    QByteArray header(QByteArrayView name) const;
    // A cookie of the "Cookie" header; a null string when absent.
    QString cookie(QStringView name) const;
};

// An answer of a route or of a script.
struct Reply {
    int status = 200;
    QJsonObject json;
    // Sent instead of `json` when set.
    std::optional<QByteArray> body;
    QByteArray contentType = QByteArrayLiteral("application/json; charset=utf-8");
    // Extra header fields; a name may repeat (several Set-Cookie).
    HeaderList headers;
    // Compress this answer or not, whatever the emulator's setting.
    std::optional<bool> gzip;

    static Reply ok(QJsonObject json = {});
    // {"error_id": id, "error_message": message}.
    static Reply error(int status, const QString& errorId, const QString& message = {});
    static Reply raw(int status, QByteArray body, QByteArray contentType);
    // Adds a header field (a name may repeat).
    Reply& withHeader(const QByteArray& name, const QByteArray& value);
};

// A fault to play on one call of a path, after an optional delay held on the server thread.
struct Fault {
    enum class Kind {
        None,               // answer normally (after the delay)
        Status,             // answer `status` with {"error_id", "error_message"}
        DropConnection,     // send the headers and half the body, then close the connection
        CloseBeforeAnswer,  // close the connection once the request is read, answering nothing
        WrongContentType,   // answer an HTML page labelled "text/html"
        MalformedJson,      // cut the normal answer's JSON in half
        StreamNotArray,     // the normal answer with "stream" an object
        ZeroEventHorizon,   // the normal answer with "event_horizon" 0
    };

    Kind kind = Kind::None;
    int status = 0;
    QString errorId;
    std::chrono::milliseconds delay{0};
    // Held once the call is handled (its records are on the stream), before the answer goes out.
    std::chrono::milliseconds answerDelay{0};

    static Fault of(Kind kind) {
        Fault fault;
        fault.kind = kind;
        return fault;
    }
    static Fault none() { return {}; }
    static Fault withStatus(int status, QString errorId = {});
    static Fault dropConnection() { return of(Kind::DropConnection); }
    static Fault closeBeforeAnswer() { return of(Kind::CloseBeforeAnswer); }
    static Fault wrongContentType() { return of(Kind::WrongContentType); }
    static Fault malformedJson() { return of(Kind::MalformedJson); }
    static Fault streamNotArray() { return of(Kind::StreamNotArray); }
    static Fault zeroEventHorizon() { return of(Kind::ZeroEventHorizon); }
    static Fault delayed(std::chrono::milliseconds delay);
    // The call is handled at once and its answer held for `hold`, or until releaseHeld(): the
    // stream may tell of what the call did before the caller hears its answer.
    static Fault answerHeld(std::chrono::milliseconds hold);
    // The same fault, played after holding the answer for `delay`.
    Fault after(std::chrono::milliseconds hold) const;
    // The call ends with the fault itself: a status answered, or the connection closed.
    bool endsCall() const { return kind == Kind::Status || kind == Kind::CloseBeforeAnswer; }
    // What a Status fault answers: {"error_id", "error_message"}, the id fitting the status when
    // none was given.
    Reply statusReply() const;
};

// What a route handler gets.
struct Call {
    const RecordedRequest& request;
    // For a prefix route, what follows the prefix ("c1" of "conversation/sync/c1").
    QString pathTail;
    // For a session route, the account that the ticket and cookie name.
    std::optional<Account> account;
    ServiceEmulator& emulator;

    const QJsonObject& body() const { return request.body; }
};

// Records of an account's event log after a horizon, and the horizon after them.
struct EventBatch {
    QList<QJsonObject> records;
    qint64 eventHorizon = 0;
};

}  // namespace zvemu
