#include "ZelvoKit/model/ZVRepositorySession.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/ZVMessageQueue.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <algorithm>

void ZVRepositorySession::commitObject(const std::shared_ptr<ZVManagedObject>& object) {
    // Before the first answer the service's view of the entity is unknown; synchronizeData()
    // sends what waits once it comes.
    if (!object || eventHorizon() < 1 || object->isDeleted() || hasEnded()) {
        return;
    }
    const QString guid = object->guid();
    if (guid.isNull()) {
        ZVLogError(u"CommitObject: %@ ignored because object.guid returned nil", object->desc());
        return;
    }
    if (!object->needsSync()) {
        return;
    }
    const std::weak_ptr<ZVRepositorySession> weakSelf =
        std::static_pointer_cast<ZVRepositorySession>(shared_from_this());
    const std::weak_ptr<ZVManagedObject> weakObject = object;
    const auto commitAgain = [weakSelf, weakObject] {
        const auto self = weakSelf.lock();
        const auto object = weakObject.lock();
        if (self && object) {
            self->commitObject(object);
        }
    };
    const std::shared_ptr<ZVApiRequest> request = object->getSyncRequest();
    if (!request) {
        // Asked again later, less often each time it still has nothing to send.
        const platform::TimeInterval delay = commitBackoff_.value(guid, kCommitRetryDelay);
        commitBackoff_.insert(guid, std::min(delay * 2, kLongestCommitRetryDelay));
        commitRetries_.after(delay, commitAgain);
        return;
    }
    commitBackoff_.remove(guid);
    // Each answer commits the entity again, which sends its next dirty field, until it is clean.
    request->setSuccessHandler([previous = request->successHandler(), commitAgain] {
        if (previous) {
            previous();
        }
        commitAgain();
    });
    request->setErrorHandler(
        [previous = request->errorHandler(), commitAgain](const ZVErrorPtr& error) {
            if (previous) {
                previous(error);
            }
            commitAgain();
        });
    queueRequest(request, guid);
}

void ZVRepositorySession::sendPendingMessages() {
    for (const auto& conversation : std::as_const(conversations_)) {
        const bool pending = conversation->pendingMessageNr().value_or(0) >= 1;
        if (const auto queue = conversation->messageQueue(pending)) {
            queue->attemptSend();
        }
    }
}

void ZVRepositorySession::synchronizeData() {
    // Messages left unsent, also by an earlier run, go out first.
    sendPendingMessages();
    for (const auto& conversation : std::as_const(conversations_)) {
        if (conversation->needsSync()) {
            commitObject(conversation);
        }
    }
    for (const auto& contact : std::as_const(contacts_)) {
        if (contact->needsSync()) {
            commitObject(contact);
        }
    }
    for (const auto& label : labels_) {
        if (label->needsSync()) {
            commitObject(label);
        }
    }
}

void ZVRepositorySession::horizonChanged() {
    const std::int64_t previous = knownHorizon_;
    knownHorizon_ = eventHorizon();
    // The base completes the initial synchronisation only for a horizon that was negative; an
    // account that started from 0 has changes waiting for its first answer too.
    if (previous == 0 && knownHorizon_ >= 1) {
        synchronizeData();
    }
}
