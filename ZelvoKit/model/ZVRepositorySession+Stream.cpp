#include "ZelvoKit/model/ZVRepositorySession.h"

#include "ZelvoKit/model/ZVMessageQueue.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/UserDefaults.h"

#include <utility>
#include "ZelvoKit/model/ZVRecordKeys.h"

using zvrecord::kAccountId;
using zvrecord::kHookKey;
using zvrecord::kIsDeleted;
using zvrecord::kOrganisationId;
using zvrecord::kTeamId;

namespace {

using namespace Qt::Literals::StringLiterals;

}  // namespace

// --- records ---

ZVErrorPtr ZVRepositorySession::handleContact(ZVJsonParser& record) {
    ZVApiSession::handleContact(record);
    const QString accountId = record.extractString(kAccountId, QString());
    if (accountId.isNull()) {
        return nullptr;
    }
    std::shared_ptr<Contact> contact = contacts_.value(accountId);
    if (record.extractBool(kIsDeleted, false)) {
        if (contact) {
            removeContact(contact);
        }
        return nullptr;
    }
    if (ZVErrorPtr error = createOrUpdateObject(contact, QString(Contact::kEntityName), record)) {
        return error;
    }
    // Entries under an earlier e-mail or address stay: others may still name the person so.
    enterContact(contact);
    return nullptr;
}

ZVErrorPtr ZVRepositorySession::handleHook(ZVJsonParser& record) {
    return createOrUpdateObjectInList(hooks_, kHookKey, QString(Hook::kEntityName), record);
}

ZVErrorPtr ZVRepositorySession::handleTeam(ZVJsonParser& record) {
    return createOrUpdateObjectInList(teams_, kTeamId, QString(Team::kEntityName), record);
}

ZVErrorPtr ZVRepositorySession::handleOrganisation(ZVJsonParser& record) {
    return createOrUpdateObjectInList(organisations_, kOrganisationId,
                                      QString(Organisation::kEntityName), record);
}

// --- transactions ---

void ZVRepositorySession::startTransaction() {
    ZVApiSession::startTransaction();
    if (!inTransaction_) {
        inTransaction_ = true;
        horizonAtStart_ = eventHorizon();
        // An answer looks many objects up by key: one read for all of them.
        if (const auto context = repository_ ? repository_->managedObjectContext() : nullptr) {
            context->beginReading();
        }
    }
}

void ZVRepositorySession::endTransaction() {
    ZVApiSession::endTransaction();
    if (!inTransaction_) {
        return;
    }
    inTransaction_ = false;
    const QHash<QString, std::shared_ptr<Conversation>> changed =
        std::exchange(changedConversations_, {});
    scheduleSynchronizeConversations(changed.values());
    commitConversations(changed);
    if (std::exchange(labelsChanged_, false)) {
        refreshLabels();
    }
    pruneLoads();
    if (!changed.isEmpty()) {
        labelsTakeChanges(changed);
    }
    updateSyncProgress();
    saveContext();
    if (const auto context = repository_ ? repository_->managedObjectContext() : nullptr) {
        context->endReading();
    }
    announceUnreadCount();
    const std::vector<std::shared_ptr<Conversation>> made = std::exchange(madeConversations_, {});
    if (!lastSaveFailed_) {
        // Whatever answer made them, the messages composed for them wait no longer.
        for (const auto& conversation : made) {
            if (const auto queue = conversation->messageQueue(false)) {
                queue->attemptSend();
            }
        }
        restoreUnsentWork();
        if (!sentAfterFirstAnswer_ && eventHorizon() >= 1) {
            sentAfterFirstAnswer_ = true;
            sendPendingMessages();
        }
        return;
    }
    // The answer's records were rolled back: the maps must not hold objects the store lost, and
    // the answer's position must not reach the disk, or the next poll would start after records
    // the store never got.
    reloadObjectGraph();
    if (eventHorizon() != horizonAtStart_) {
        ZVLogError(u"Stream not saved, event horizon kept at %ld", horizonAtStart_);
        setEventHorizon(horizonAtStart_);
        platform::UserDefaults::standard()->synchronize();
    }
}
