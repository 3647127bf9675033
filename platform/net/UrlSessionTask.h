#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/net/ContentDecoder.h"
#include "platform/net/UrlError.h"
#include "platform/net/UrlRequest.h"
#include "platform/net/UrlResponse.h"

#include <QtCore/QByteArray>
#include <QtCore/QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QNetworkReply;
class QObject;

namespace platform {

namespace detail {
struct UrlSessionCore;
}

// How a data task ended.
struct UrlTaskResult {
    // The answer's status line and headers; status 0 when no answer arrived. An answer with any
    // status, 4xx and 5xx included, is a normal end: `error` is then empty.
    UrlResponse response;
    // The body, inflated.
    QByteArray body;
    // A transport failure in the URL error domain: no answer, or an answer cut short.
    std::optional<UrlError> error;
    // Body bytes sent, and received after inflating: what the traffic statistics count.
    qint64 bytesSent = 0;
    qint64 bytesReceived = 0;
    // Body bytes received as they came over the wire.
    qint64 encodedBytesReceived = 0;
};

struct UrlSessionTaskHandlers {
    // Once, when the answer's headers have arrived (before onComplete).
    std::function<void(const UrlResponse&)> onResponse;
    // Exactly once, on the main thread, unless the session is destroyed first.
    std::function<void(const UrlTaskResult&)> onComplete;
};

// One transfer of a UrlSession: made suspended, started by resume(), ended by its answer, a
// failure, its timeout or cancel().
class UrlSessionTask : public std::enable_shared_from_this<UrlSessionTask> {
public:
    enum class State { Running = 0, Suspended = 1, Canceling = 2, Completed = 3 };

    ~UrlSessionTask();
    UrlSessionTask(const UrlSessionTask&) = delete;
    UrlSessionTask& operator=(const UrlSessionTask&) = delete;

    std::uint64_t taskIdentifier() const { return identifier_; }
    const UrlRequest& originalRequest() const { return request_; }
    State state() const { return state_; }

    void resume();
    // Stops the transfer. onComplete then runs once with -999 (cancelled), from the run loop, not
    // from within cancel(); nothing of the transfer is delivered after it. Does nothing once the
    // task has completed.
    void cancel();

    qint64 countOfBytesSent() const { return bytesSent_; }
    qint64 countOfBytesReceived() const { return body_.size(); }

    // "<UrlSessionTask %lu %@ %@>" with the identifier, the method and the URL.
    QString description() const;

private:
    friend struct detail::UrlSessionCore;
    UrlSessionTask(std::uint64_t identifier, UrlRequest request, UrlSessionTaskHandlers handlers,
                   std::weak_ptr<detail::UrlSessionCore> core);

    void start(detail::UrlSessionCore& core);
    void completeLater(UrlError error);
    void complete(std::optional<UrlError> error);
    void readAvailable();
    void deliverResponse();
    void onFinished();
    void onTimeout();
    void restartTimeout();
    // Stops listening to the reply and aborts it; nothing of it reaches the handlers afterwards.
    void dropReply();
    // The session is going away: the task ends without running its handlers.
    void detach();

    std::uint64_t identifier_;
    UrlRequest request_;
    UrlSessionTaskHandlers handlers_;
    std::weak_ptr<detail::UrlSessionCore> core_;
    State state_ = State::Suspended;

    QPointer<QNetworkReply> reply_;
    // Receiver of the reply's signals, so that dropping the reply disconnects only our handlers.
    std::unique_ptr<QObject> receiver_;
    TimerHandle timeout_;

    std::optional<UrlResponse> response_;
    bool responseDelivered_ = false;
    std::unique_ptr<ContentDecoder> decoder_;
    QByteArray body_;
    qint64 bytesSent_ = 0;
    qint64 encodedBytesReceived_ = 0;
};

}  // namespace platform
