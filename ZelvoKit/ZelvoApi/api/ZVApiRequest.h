#pragma once

#include "ZelvoKit/support/base/ZVError.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "platform/foundation/Scheduler.h"
#include "platform/net/UrlRequest.h"
#include "platform/net/UrlResponse.h"
#include "platform/net/UrlSessionTask.h"

#include <QtCore/QByteArray>
#include <QtCore/QJsonObject>
#include <QtCore/QString>
#include <QtCore/QUrl>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class ZVApiSession;

namespace platform {
class UrlSession;
}

// Receives the events of a request's transfer, as the delegate of the URL session does.
class ZVApiTransferDelegate {
public:
    virtual ~ZVApiTransferDelegate() = default;
    virtual void transferDidReceiveResponse(const platform::UrlSessionTask& task,
                                            const platform::UrlResponse& response) = 0;
    virtual void transferDidComplete(const platform::UrlSessionTask& task,
                                     const platform::UrlTaskResult& result) = 0;
};

// One call of the service's API: a POST of a JSON body to a path below "api/", made with the
// account's ticket and cookie, and the blocks its caller wants run with the answer. ZVApi sends it
// and runs the blocks; the request builds the envelope and records what came back. Main thread
// only.
class ZVApiRequest : public std::enable_shared_from_this<ZVApiRequest> {
public:
    // What kind of call a request is; ZVApi and the poll loop act on some of them.
    enum Tag : int {
        TagOrdinary = 0,
        TagLongPoll = 1,
        TagQueued = 2,
        TagMessageSearch = 3,
        TagConversationCreate = 4,
        TagInitialPoll = 5,
        TagLogout = 6,
        TagContactSync = 7,
    };

    static constexpr int kDefaultPriority = 3;
    static constexpr platform::TimeInterval kDefaultTimeoutInterval = 120.0;
    static constexpr int kApiVersion = 3;

    // Runs on a 200 answer with a reader over the whole answer; an error it returns fails the
    // request.
    using Handler = std::function<ZVErrorPtr(ZVJsonParser& answer)>;
    using ErrorHandler = std::function<void(const ZVErrorPtr& error)>;
    using SuccessHandler = std::function<void()>;
    // Gets the "result_message_nr" of a stream record that names this request's id.
    using EarlyCompletionHandler = std::function<void(std::int64_t resultMessageNr)>;
    using SubmitHandler = std::function<void()>;

    // `method` is the path below "api/"; it is resolved against ZVApi's base API URL now.
    explicit ZVApiRequest(const QString& method,
                          std::optional<QJsonObject> arguments = std::nullopt);
    // `methodFormat` has one "%@", filled with `methodArg`.
    ZVApiRequest(QStringView methodFormat, const QString& methodArg,
                 std::optional<QJsonObject> arguments);
    virtual ~ZVApiRequest();
    ZVApiRequest(const ZVApiRequest&) = delete;
    ZVApiRequest& operator=(const ZVApiRequest&) = delete;

    const QString& method() const { return method_; }
    const QUrl& url() const { return url_; }
    bool isMethod(QStringView prefix) const { return method_.startsWith(prefix); }
    const std::optional<QJsonObject>& arguments() const { return arguments_; }

    int priority() const { return priority_; }
    void setPriority(int priority) { priority_ = priority; }
    Tag tag() const { return tag_; }
    void setTag(Tag tag) { tag_ = tag; }
    const QString& requestId() const { return requestId_; }
    void setRequestId(const QString& requestId) { requestId_ = requestId; }
    bool processStreamFirst() const { return processStreamFirst_; }
    void setProcessStreamFirst(bool first) { processStreamFirst_ = first; }
    platform::TimeInterval timeoutInterval() const { return timeoutInterval_; }
    void setTimeoutInterval(platform::TimeInterval interval) { timeoutInterval_ = interval; }

    // The account the request runs for; none for sign-in calls, or once the account is gone.
    std::shared_ptr<ZVApiSession> session() const { return session_.lock(); }
    void setSession(const std::shared_ptr<ZVApiSession>& session) { session_ = session; }

    const Handler& handler() const { return handler_; }
    void setHandler(Handler handler) { handler_ = std::move(handler); }
    const ErrorHandler& errorHandler() const { return errorHandler_; }
    void setErrorHandler(ErrorHandler handler) { errorHandler_ = std::move(handler); }
    const SuccessHandler& successHandler() const { return successHandler_; }
    void setSuccessHandler(SuccessHandler handler) { successHandler_ = std::move(handler); }
    const EarlyCompletionHandler& earlyCompletionHandler() const { return earlyCompletionHandler_; }
    void setEarlyCompletionHandler(EarlyCompletionHandler handler) {
        earlyCompletionHandler_ = std::move(handler);
    }
    const SubmitHandler& submitHandler() const { return submitHandler_; }
    void setSubmitHandler(SubmitHandler handler) { submitHandler_ = std::move(handler); }

    // --- what the transfer recorded ---

    bool canRetry() const { return canRetry_; }
    // 0 until answered; the HTTP status, or the error's code after a failure.
    int httpStatus() const { return httpStatus_; }
    const QString& contentType() const { return contentType_; }
    // Null until the first bytes arrive.
    const QByteArray& responseBody() const { return responseBody_; }
    std::int64_t requestSize() const { return requestSize_; }
    // Seconds since 1970 by the main scheduler's clock; 0 until set.
    platform::TimeInterval submitTime() const { return submitTime_; }
    platform::TimeInterval responseTime() const { return responseTime_; }
    const std::shared_ptr<platform::UrlSessionTask>& task() const { return task_; }

    // --- the transfer, driven by ZVApi ---

    // Builds the envelope and starts the transfer on `urlSession`, reporting to `delegate`. Returns
    // the error that stopped it (also recorded by failWithError()), or none.
    ZVErrorPtr submitWithUrlSession(platform::UrlSession& urlSession,
                                    std::weak_ptr<ZVApiTransferDelegate> delegate);
    // Records the answer's status and content type, and takes its "token_id" cookie.
    void handleResponse(const platform::UrlResponse& response);
    void submitData(const QByteArray& data);
    // A token of a 200 answer's "token_id" cookie; goes to the session's credentials.
    virtual void handleCookie(const QString& token);
    void failWithError(const ZVErrorPtr& error);
    void complete();
    void cancel();
    // Drops the handler, success and error blocks, and with them whatever they hold.
    void removeDependencies();

    // --- for logs and the status screen ---

    // Masks secrets and writes pretty-printed JSON; "nil" for none.
    static QString requestAsLogString(const std::optional<QJsonValue>& object);
    // "<url> arguments => answer", with secrets masked.
    QString description() const;
    // "Pending", "<n>s" while running, "<n>ms" for a 200 answer, else the status or error code.
    QString statusText() const;

private:
    QString method_;
    QUrl url_;
    int priority_ = kDefaultPriority;
    std::optional<QJsonObject> arguments_;
    mutable QString requestText_;
    std::int64_t requestSize_ = 0;
    std::optional<platform::UrlRequest> urlRequest_;
    Tag tag_ = TagOrdinary;
    QString requestId_;
    bool processStreamFirst_ = false;
    bool canRetry_ = false;
    platform::TimeInterval submitTime_ = 0;
    platform::TimeInterval responseTime_ = 0;
    std::weak_ptr<ZVApiSession> session_;
    platform::TimeInterval timeoutInterval_ = kDefaultTimeoutInterval;
    std::shared_ptr<platform::UrlSessionTask> task_;
    QByteArray responseBody_;
    QString contentType_;
    int httpStatus_ = 0;
    Handler handler_;
    ErrorHandler errorHandler_;
    SuccessHandler successHandler_;
    EarlyCompletionHandler earlyCompletionHandler_;
    SubmitHandler submitHandler_;
};
