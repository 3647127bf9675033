#include "Analytics/Library/ZAURLConnection.h"

#include "platform/foundation/Scheduler.h"
#include "platform/net/UrlSession.h"

namespace {

constexpr int kDryRunStatus = 200;

std::atomic<bool> dryRunFlag{false};

// Main thread only.
platform::UrlSession& transportSession() {
    static platform::UrlSession session;
    return session;
}

}  // namespace

bool ZAURLConnection::dryRun() {
    return dryRunFlag.load();
}

void ZAURLConnection::setDryRun(bool dryRun) {
    dryRunFlag.store(dryRun);
}

ZAURLConnection::ZAURLConnection(platform::UrlRequest request, CompletionHandler handler)
    : request_(std::move(request)), handler_(std::move(handler)) {}

std::shared_ptr<ZAURLConnection> ZAURLConnection::start(platform::UrlRequest request,
                                                        CompletionHandler handler) {
    std::shared_ptr<ZAURLConnection> connection(
        new ZAURLConnection(std::move(request), std::move(handler)));
    const bool dry = dryRun();
    platform::Scheduler::main().post([connection, dry] {
        if (dry) {
            connection->finish(platform::UrlResponse(QUrl(), kDryRunStatus, {}), QByteArray(),
                               std::nullopt);
        } else {
            connection->startOnMainThread();
        }
    });
    return connection;
}

void ZAURLConnection::startOnMainThread() {
    if (cancelled_.load()) {
        return;
    }
    platform::UrlSessionTaskHandlers handlers;
    handlers.onComplete = [self = shared_from_this()](const platform::UrlTaskResult& result) {
        std::optional<platform::UrlResponse> response;
        if (result.response.statusCode() != 0) {
            response = result.response;
        }
        self->finish(response, result.body, result.error);
        self->task_.reset();
    };
    task_ = transportSession().dataTask(request_, std::move(handlers));
    if (task_) {
        task_->resume();
    } else {
        finish(std::nullopt, QByteArray(), std::nullopt);
    }
}

void ZAURLConnection::finish(const std::optional<platform::UrlResponse>& response,
                             const QByteArray& data,
                             const std::optional<platform::UrlError>& error) {
    if (cancelled_.exchange(true)) {
        return;
    }
    if (auto handler = std::move(handler_)) {
        handler(response, data, error);
    }
}

void ZAURLConnection::cancel() {
    if (cancelled_.exchange(true)) {
        return;
    }
    platform::Scheduler::main().post([self = shared_from_this()] {
        if (self->task_) {
            self->task_->cancel();
            self->task_.reset();
        }
        self->handler_ = nullptr;
    });
}
