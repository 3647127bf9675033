#include "ZelvoKit/model/ZVRepositorySession.h"

#include "ZelvoKit/model/ZVMessageQueue.h"
#include "platform/foundation/UserDefaults.h"

#include <QtCore/QJsonObject>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kConversationId = u"conversation_id"_s;

}  // namespace

void ZVRepositorySession::keepUnsentWorkAside() {
    // Work an earlier resynchronisation kept and not yet put back stays kept.
    QJsonArray kept = unsentWork_;
    for (const auto& conversation : std::as_const(conversations_)) {
        if (const QJsonObject work = conversation->unsentWork(); !work.isEmpty()) {
            kept.append(work);
        }
    }
    if (kept.isEmpty()) {
        return;
    }
    setArray(kept, QString(kUnsentWorkSetting));
    // On disk before the store goes: a process ending in between loses nothing.
    platform::UserDefaults::standard()->synchronize();
}

void ZVRepositorySession::restoreUnsentWork() {
    if (unsentWork_.isEmpty()) {
        return;
    }
    QJsonArray left;
    QList<std::shared_ptr<Conversation>> restored;
    for (const QJsonValue& value : std::as_const(unsentWork_)) {
        const QJsonObject work = value.toObject();
        const auto conversation = conversations_.value(work.value(kConversationId).toString());
        if (!conversation) {
            left.append(work);
            continue;
        }
        conversation->restoreUnsentWork(work);
        restored.append(conversation);
    }
    if (restored.isEmpty()) {
        return;
    }
    // The store holds the work before the kept copy goes; a failed save keeps it for the next
    // answer, which puts back only what is still missing.
    saveContext();
    if (lastSaveFailed_) {
        return;
    }
    unsentWork_ = left;
    setArray(left.isEmpty() ? std::nullopt : std::optional<QJsonArray>(left),
             QString(kUnsentWorkSetting));
    platform::UserDefaults::standard()->synchronize();
    // Before the first answer the account's first synchronisation sends them.
    if (sentAfterFirstAnswer_) {
        for (const auto& conversation : restored) {
            if (const auto queue = conversation->messageQueue(false)) {
                queue->attemptSend();
            }
        }
    }
}
