#include "ZelvoKit/ZelvoApi/api/ZVApiDispatcher.h"

#include "platform/foundation/SystemLog.h"
#include "platform/net/UrlError.h"
#include "platform/net/UrlSession.h"

#include <algorithm>

namespace {

// Back-off after consecutive network failures, by their count.
constexpr int kShortBackoffFailures = 4;
constexpr int kMediumBackoffFailures = 10;
constexpr platform::TimeInterval kShortBackoff = 1.0;
constexpr platform::TimeInterval kMediumBackoff = 2.0;
constexpr platform::TimeInterval kLongBackoff = 20.0;

// In the background, queued requests up to this priority wait for the foreground; those above it
// count as work that the background time is asked for.
constexpr int kHighestDeferredPriority = 2;

}  // namespace

ZVApiDispatcher::ZVApiDispatcher(const platform::Observable& publisher, Keys keys, Hooks hooks)
    : publisher_(publisher),
      keys_(std::move(keys)),
      hooks_(std::move(hooks)),
      urlSession_(std::make_unique<platform::UrlSession>()) {}

ZVApiDispatcher::~ZVApiDispatcher() = default;

bool ZVApiDispatcher::isNetworkFailure(const ZVError* error) {
    return error && (error->domain() == platform::kUrlErrorDomain ||
                     error->domain() == platform::kPosixErrorDomain);
}

platform::TimeInterval ZVApiDispatcher::retryDelay(const ZVErrorPtr& error, int networkFailures) {
    if (!isNetworkFailure(error.get())) {
        return kLongBackoff;
    }
    if (networkFailures <= kShortBackoffFailures) {
        return kShortBackoff;
    }
    return networkFailures <= kMediumBackoffFailures ? kMediumBackoff : kLongBackoff;
}

// --- sending ---

void ZVApiDispatcher::send(const std::shared_ptr<ZVApiRequest>& request,
                           std::weak_ptr<ZVApiTransferDelegate> delegate) {
    publisher_.changeValueForKey(keys_.requestsSent, [&] { ++requestsSent_; });
    publisher_.changeValueForKey(keys_.pendingRequests,
                                 [&] { pendingRequests_.push_back(request); });
    const ZVErrorPtr error = request->submitWithUrlSession(*urlSession_, std::move(delegate));
    if (error) {
        // No transfer will ever end it, so it fails as a failed transfer does, from the run loop:
        // a request left pending would hold the queue or the account's poll for good.
        std::weak_ptr<ZVApiRequest> weak = request;
        timers_.after(0, [this, weak, error] {
            const auto failed = weak.lock();
            if (failed && isPending(failed) && hooks_.submitFailed) {
                hooks_.submitFailed(failed, error);
            }
        });
    }
}

void ZVApiDispatcher::enqueue(const std::shared_ptr<ZVApiRequest>& request, const QString& name) {
    publisher_.changeValueForKey(keys_.queuedRequests, [&] {
        auto it = std::ranges::find(queuedRequests_, name, &QueuedRequests::value_type::first);
        if (it != queuedRequests_.end()) {
            it->second = request;
        } else {
            queuedRequests_.emplace_back(name, request);
        }
    });
    if (!retryTimer_.isValid()) {
        scheduleQueuedSend();
    }
}

void ZVApiDispatcher::scheduleQueuedSend() {
    timers_.after(kQueueSendDelay, [this] {
        if (hooks_.queueDue) {
            hooks_.queueDue();
        }
    });
}

ZVApiDispatcher::NextQueued ZVApiDispatcher::takeNextQueued(bool background) {
    for (const auto& request : pendingRequests_) {
        if (request->tag() == ZVApiRequest::TagQueued) {
            return {};
        }
    }
    auto choice = queuedRequests_.end();
    for (auto it = queuedRequests_.begin(); it != queuedRequests_.end(); ++it) {
        if (choice == queuedRequests_.end() ||
            it->second->priority() > choice->second->priority()) {
            choice = it;
        }
    }
    if (background && (choice == queuedRequests_.end() ||
                       choice->second->priority() <= kHighestDeferredPriority)) {
        return {.request = nullptr, .waitsForForeground = true};
    }
    if (choice == queuedRequests_.end()) {
        return {};
    }
    const std::shared_ptr<ZVApiRequest> request = choice->second;
    // Observers may queue meanwhile: the entry is found again, not by the iterator.
    publisher_.changeValueForKey(keys_.queuedRequests, [&] {
        std::erase_if(queuedRequests_, [&](const auto& entry) { return entry.second == request; });
    });
    request->setTag(ZVApiRequest::TagQueued);
    return {.request = request, .waitsForForeground = false};
}

bool ZVApiDispatcher::unqueue(const std::shared_ptr<ZVApiRequest>& request) {
    if (std::ranges::find(queuedRequests_, request, &QueuedRequests::value_type::second) ==
        queuedRequests_.end()) {
        return false;
    }
    publisher_.changeValueForKey(keys_.queuedRequests, [&] {
        std::erase_if(queuedRequests_, [&](const auto& entry) { return entry.second == request; });
    });
    return true;
}

bool ZVApiDispatcher::unqueueSession(const std::shared_ptr<ZVApiSession>& session) {
    const auto ofSession = [&](const auto& entry) { return entry.second->session() == session; };
    if (std::ranges::none_of(queuedRequests_, ofSession)) {
        return false;
    }
    publisher_.changeValueForKey(keys_.queuedRequests,
                                 [&] { std::erase_if(queuedRequests_, ofSession); });
    return true;
}

void ZVApiDispatcher::clearQueue() {
    if (!queuedRequests_.empty()) {
        publisher_.changeValueForKey(keys_.queuedRequests, [&] { queuedRequests_.clear(); });
    }
}

// --- the lists ---

bool ZVApiDispatcher::isPending(const std::shared_ptr<ZVApiRequest>& request) const {
    return std::ranges::find(pendingRequests_, request) != pendingRequests_.end();
}

void ZVApiDispatcher::removePending(const std::shared_ptr<ZVApiRequest>& request) {
    if (!isPending(request)) {
        return;
    }
    publisher_.willChangeValueForKey(keys_.pendingRequests);
    publisher_.willChangeValueForKey(keys_.recentRequests);
    recentRequests_.insert(recentRequests_.begin(), request);
    if (recentRequests_.size() > kMaxRecentRequests) {
        recentRequests_.pop_back();
    }
    std::erase(pendingRequests_, request);
    publisher_.didChangeValueForKey(keys_.recentRequests);
    publisher_.didChangeValueForKey(keys_.pendingRequests);
}

ZVApiDispatcher::RequestList ZVApiDispatcher::requestsWithTag(
    int tag, const std::shared_ptr<ZVApiSession>& session) const {
    RequestList matching;
    for (const auto& request : pendingRequests_) {
        if ((tag == 0 || request->tag() == tag) && (!session || request->session() == session)) {
            matching.push_back(request);
        }
    }
    return matching;
}

std::shared_ptr<ZVApiRequest> ZVApiDispatcher::pendingRequestWithRequestId(
    const QString& requestId) const {
    const QString lowered = requestId.toLower();
    for (const auto& request : pendingRequests_) {
        if (!request->requestId().isNull() && request->requestId() == lowered) {
            return request;
        }
    }
    return nullptr;
}

std::shared_ptr<ZVApiRequest> ZVApiDispatcher::pendingRequestOfType(
    QStringView methodPrefix) const {
    for (const auto& request : pendingRequests_) {
        if (request->isMethod(methodPrefix)) {
            return request;
        }
    }
    return nullptr;
}

std::shared_ptr<ZVApiRequest> ZVApiDispatcher::requestByTask(
    const platform::UrlSessionTask& task) const {
    for (const auto& request : pendingRequests_) {
        if (request->task().get() == &task) {
            return request;
        }
    }
    platform::systemLogFormat(u"RequestByTask: %@: not found", task.description());
    return nullptr;
}

bool ZVApiDispatcher::hasBackgroundWork() const {
    return !pendingRequests_.empty() || std::ranges::any_of(queuedRequests_, [](const auto& entry) {
        return entry.second->priority() > kHighestDeferredPriority;
    });
}

// --- retries ---

void ZVApiDispatcher::retryWithError(const ZVErrorPtr& error) {
    if (isNetworkFailure(error.get())) {
        ++networkFailures_;
    }
    const platform::TimeInterval delay = retryDelay(error, networkFailures_);
    publisher_.willChangeValueForKey(keys_.nextConnectionTime);
    retryTimer_ = platform::Scheduler::main().after(delay, [this] {
        if (hooks_.retryDue) {
            hooks_.retryDue();
        }
    });
    publisher_.didChangeValueForKey(keys_.nextConnectionTime);
}

void ZVApiDispatcher::cancelRetry() {
    publisher_.willChangeValueForKey(keys_.nextConnectionTime);
    retryTimer_.cancel();
    publisher_.didChangeValueForKey(keys_.nextConnectionTime);
}

QDateTime ZVApiDispatcher::nextConnectionTime() const {
    return retryTimer_.isValid() ? retryTimer_.fireDate() : QDateTime();
}
