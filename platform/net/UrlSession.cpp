#include "platform/net/UrlSession.h"

#include "platform/net/UrlSessionCore.h"

namespace platform {

namespace detail {

UrlSessionCore::~UrlSessionCore() {
    auto tasks = std::move(running);
    for (auto& [identifier, task] : tasks) {
        task->detach();
    }
    if (DeliveryScope::active()) {
        // Deleting the manager now would delete a reply that is still emitting.
        manager.release()->deleteLater();
    }
}

std::shared_ptr<UrlSessionTask> UrlSessionCore::makeTask(std::weak_ptr<UrlSessionCore> self,
                                                         UrlRequest request,
                                                         UrlSessionTaskHandlers handlers) {
    return std::shared_ptr<UrlSessionTask>(new UrlSessionTask(
        nextIdentifier++, std::move(request), std::move(handlers), std::move(self)));
}

void UrlSessionCore::started(const std::shared_ptr<UrlSessionTask>& task) {
    running[task->taskIdentifier()] = task;
}

void UrlSessionCore::finished(const UrlSessionTask& task) {
    running.erase(task.taskIdentifier());
}

}  // namespace detail

UrlSession::UrlSession(UrlSessionConfiguration configuration)
    : core_(std::make_shared<detail::UrlSessionCore>()) {
    core_->allowsInvalidCertificates = configuration.allowsInvalidCertificates;
    core_->manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    // Our own idle timeout on the scheduler replaces the transport's.
    core_->manager->setTransferTimeout(0);
}

UrlSession::~UrlSession() = default;

std::shared_ptr<UrlSessionTask> UrlSession::dataTask(UrlRequest request,
                                                     UrlSessionTaskHandlers handlers) {
    if (core_->invalidated) {
        return nullptr;
    }
    return core_->makeTask(core_, std::move(request), std::move(handlers));
}

bool UrlSession::allowsInvalidCertificates() const {
    return core_->allowsInvalidCertificates;
}

void UrlSession::setAllowsInvalidCertificates(bool allow) {
    if (core_->allowsInvalidCertificates == allow) {
        return;
    }
    core_->allowsInvalidCertificates = allow;
    core_->manager->clearConnectionCache();
}

std::vector<std::shared_ptr<UrlSessionTask>> UrlSession::tasks() const {
    std::vector<std::shared_ptr<UrlSessionTask>> result;
    result.reserve(core_->running.size());
    for (const auto& [identifier, task] : core_->running) {
        result.push_back(task);
    }
    return result;
}

void UrlSession::invalidateAndCancel() {
    core_->invalidated = true;
    for (const auto& task : tasks()) {
        task->cancel();
    }
}

}  // namespace platform
