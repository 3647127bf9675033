#include "platform/net/UrlSessionTask.h"

#include "platform/foundation/Format.h"
#include "platform/net/NetworkReplyMapping.h"
#include "platform/net/OneShotBody.h"
#include "platform/net/UrlSessionCore.h"

#include <QtNetwork/QNetworkReply>
#include <QtNetwork/QNetworkRequest>

namespace platform {

using detail::makeNetworkRequest;
using detail::mayBeSentAgain;
using detail::responseHeaders;

UrlSessionTask::UrlSessionTask(std::uint64_t identifier, UrlRequest request,
                               UrlSessionTaskHandlers handlers,
                               std::weak_ptr<detail::UrlSessionCore> core)
    : identifier_(identifier),
      request_(std::move(request)),
      handlers_(std::move(handlers)),
      core_(std::move(core)) {}

UrlSessionTask::~UrlSessionTask() {
    timeout_.cancel();
    dropReply();
}

QString UrlSessionTask::description() const {
    return format(u"<UrlSessionTask %lu %@ %@>", identifier_, request_.httpMethod,
                  request_.url.toString());
}

void UrlSessionTask::resume() {
    if (state_ != State::Suspended) {
        return;
    }
    auto core = core_.lock();
    if (!core || core->invalidated) {
        state_ = State::Canceling;
        completeLater(UrlError(UrlErrorCode::Cancelled));
        return;
    }
    state_ = State::Running;
    core->started(shared_from_this());
    if (const auto unusable = detail::unusableUrl(request_.url)) {
        completeLater(UrlError(*unusable));
        return;
    }
    start(*core);
}

void UrlSessionTask::start(detail::UrlSessionCore& core) {
    receiver_ = std::make_unique<QObject>();
    QNetworkReply* reply = nullptr;
    if (mayBeSentAgain(request_.httpMethod)) {
        // Sending a safe request again spares a failure when a kept-alive connection has closed.
        reply = core.manager->sendCustomRequest(makeNetworkRequest(request_), request_.httpMethod,
                                                request_.body);
    } else {
        reply = sendOnce(*core.manager, makeNetworkRequest(request_), request_.httpMethod,
                         OneShotBody::fromBytes(request_.body), request_.body.size());
    }
    reply_ = reply;
    bytesSent_ = request_.body.size();
    QObject* receiver = receiver_.get();
    // A handler may drop the last hold on the task (its session with it): each signal holds it.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, receiver, [this] {
        auto self = shared_from_this();
        deliverResponse();
    });
    QObject::connect(reply, &QIODevice::readyRead, receiver, [this] {
        auto self = shared_from_this();
        restartTimeout();
        readAvailable();
    });
    QObject::connect(reply, &QNetworkReply::uploadProgress, receiver, [this](qint64 sent, qint64) {
        if (sent > 0) {
            restartTimeout();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, receiver, [this] { onFinished(); });
#if QT_CONFIG(ssl)
    QObject::connect(reply, &QNetworkReply::sslErrors, receiver, [this, reply] {
        auto core = core_.lock();
        if (core && core->allowsInvalidCertificates) {
            reply->ignoreSslErrors();
        }
    });
#endif
    restartTimeout();
}

void UrlSessionTask::restartTimeout() {
    timeout_.cancel();
    std::weak_ptr<UrlSessionTask> weak = weak_from_this();
    timeout_ = Scheduler::main().after(request_.timeoutInterval, [weak] {
        if (auto task = weak.lock()) {
            task->onTimeout();
        }
    });
}

void UrlSessionTask::deliverResponse() {
    if (responseDelivered_ || !reply_) {
        return;
    }
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        return;
    }
    response_ = UrlResponse(reply_->url(), status.toInt(), responseHeaders(*reply_));
    decoder_ = std::make_unique<ContentDecoder>(
        ContentDecoder::encodingFor(response_->value("Content-Encoding")));
    responseDelivered_ = true;
    if (handlers_.onResponse) {
        auto self = shared_from_this();
        detail::DeliveryScope delivering;
        auto onResponse = handlers_.onResponse;
        onResponse(*response_);
    }
}

void UrlSessionTask::readAvailable() {
    if (!reply_) {
        return;
    }
    deliverResponse();
    if (!reply_) {
        // Cancelled by the response handler.
        return;
    }
    const QByteArray chunk = reply_->readAll();
    if (chunk.isEmpty()) {
        return;
    }
    encodedBytesReceived_ += chunk.size();
    if (!decoder_) {
        // Bytes without an answer's headers cannot be taken apart; Qt never delivers them.
        return;
    }
    // A decoder that fails stays failed; the completion reports it.
    decoder_->feed(chunk, body_);
}

void UrlSessionTask::onFinished() {
    if (!reply_ || state_ != State::Running) {
        return;
    }
    auto self = shared_from_this();
    readAvailable();
    QNetworkReply* reply = reply_;
    if (!reply || state_ != State::Running) {
        return;
    }
    std::optional<UrlError> error =
        detail::completionFailure(*reply, response_ ? &*response_ : nullptr, request_.httpMethod,
                                  encodedBytesReceived_, decoder_.get());
    dropReply();
    complete(std::move(error));
}

void UrlSessionTask::onTimeout() {
    if (state_ != State::Running) {
        return;
    }
    dropReply();
    complete(UrlError(UrlErrorCode::TimedOut));
}

void UrlSessionTask::cancel() {
    if (state_ == State::Completed || state_ == State::Canceling) {
        return;
    }
    state_ = State::Canceling;
    timeout_.cancel();
    dropReply();
    completeLater(UrlError(UrlErrorCode::Cancelled));
}

void UrlSessionTask::completeLater(UrlError error) {
    timeout_.cancel();
    // Holds the task until its completion has been delivered.
    auto self = shared_from_this();
    Scheduler::main().post([self, error = std::move(error)] { self->complete(error); });
}

void UrlSessionTask::complete(std::optional<UrlError> error) {
    if (state_ == State::Completed) {
        return;
    }
    state_ = State::Completed;
    timeout_.cancel();
    auto self = shared_from_this();
    if (auto core = core_.lock()) {
        core->finished(*this);
    }
    detail::DeliveryScope delivering;
    auto onComplete = std::move(handlers_.onComplete);
    handlers_ = {};
    if (!onComplete) {
        return;
    }
    UrlTaskResult result;
    if (response_) {
        result.response = *response_;
    }
    result.body = body_;
    result.error = std::move(error);
    result.bytesSent = bytesSent_;
    result.bytesReceived = body_.size();
    result.encodedBytesReceived = encodedBytesReceived_;
    onComplete(result);
}

void UrlSessionTask::dropReply() {
    detail::abandonReply(reply_, receiver_.get());
}

void UrlSessionTask::detach() {
    handlers_ = {};
    timeout_.cancel();
    dropReply();
    state_ = State::Completed;
}

}  // namespace platform
