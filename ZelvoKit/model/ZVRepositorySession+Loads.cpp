#include "ZelvoKit/model/ZVRepositorySession.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/ZVRecordKeys.h"

#include <QtCore/QSet>

#include <algorithm>

using zvrecord::kConversationId;
using zvrecord::kIsDeleted;
using zvrecord::kIsReset;
using zvrecord::kMembers;
using zvrecord::kRecordType;

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kLoadAdmins = u"admins"_s;

// What the load itself brought, not the conversation's state: where its stretch of messages and
// its board pages reach, and how complete its record is. Its own answer says these best.
const QSet<QString>& loadCursorKeys() {
    static const QSet<QString> keys{
        kConversationId,   kRecordType,        kIsReset,           u"is_init"_s,
        u"is_tiny"_s,      u"bw_message_nr"_s, u"fw_message_nr"_s, u"has_skipped_content"_s,
        u"file_horizon"_s, u"pin_horizon"_s,   u"task_horizon"_s,
    };
    return keys;
}

}  // namespace

void ZVRepositorySession::followLoad(const std::shared_ptr<ZVApiRequest>& request,
                                     const QString& conversationId) {
    if (!request || conversationId.isEmpty()) {
        return;
    }
    const std::weak_ptr<ZVRepositorySession> weakSelf =
        std::static_pointer_cast<ZVRepositorySession>(shared_from_this());
    const std::weak_ptr<ZVApiRequest> weakRequest = request;
    // Marked when it goes out (again, after a failure): its answer is at least that recent.
    request->setSubmitHandler(
        [weakSelf, weakRequest, conversationId, previous = request->submitHandler()] {
            if (previous) {
                previous();
            }
            const auto self = weakSelf.lock();
            const auto sent = weakRequest.lock();
            if (!self || !sent) {
                return;
            }
            const auto out = std::ranges::find_if(
                self->loadsOut_, [&](const LoadOut& load) { return load.request.lock() == sent; });
            if (out != self->loadsOut_.end()) {
                out->mark = self->orderedRecords_;
            } else {
                self->loadsOut_.push_back({sent, self->orderedRecords_, conversationId});
            }
        });
}

std::optional<std::int64_t> ZVRepositorySession::answeredLoadMark() const {
    const std::shared_ptr<ZVApiRequest>& answered = answeredRequest();
    if (!answered) {
        return std::nullopt;
    }
    for (const LoadOut& load : loadsOut_) {
        if (load.request.lock() == answered) {
            return load.mark;
        }
    }
    return std::nullopt;
}

void ZVRepositorySession::noteOrderedRecord(const QString& conversationId,
                                            const QJsonObject& fields, bool deleted) {
    ++orderedRecords_;
    const bool loadOut = std::ranges::any_of(loadsOut_, [&](const LoadOut& load) {
        const auto request = load.request.lock();
        return load.conversationId == conversationId && request && request->task();
    });
    if (!loadOut) {
        return;
    }
    QHash<QString, std::int64_t>& setAt = keysSetAt_[conversationId];
    if (deleted) {
        setAt.insert(kIsDeleted, orderedRecords_);
        return;
    }
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        setAt.insert(it.key(), orderedRecords_);
    }
}

std::optional<QJsonObject> ZVRepositorySession::loadRecordAfterStream(const QString& conversationId,
                                                                      const QJsonObject& fields,
                                                                      std::int64_t mark) const {
    const auto found = keysSetAt_.constFind(conversationId);
    if (found == keysSetAt_.constEnd()) {
        return fields;
    }
    if (found->value(kIsDeleted, 0) > mark) {
        return std::nullopt;
    }
    QJsonObject kept = fields;
    bool membersOvertaken = false;
    for (auto it = found->constBegin(); it != found->constEnd(); ++it) {
        if (it.value() <= mark || loadCursorKeys().contains(it.key())) {
            continue;
        }
        kept.remove(it.key());
        membersOvertaken = membersOvertaken || it.key() == kMembers || it.key() == kLoadAdmins;
    }
    // The admins are read with the member list: one without the other would demote or promote.
    if (membersOvertaken) {
        kept.remove(kMembers);
        kept.remove(kLoadAdmins);
    }
    return kept;
}

void ZVRepositorySession::pruneLoads() {
    std::erase_if(loadsOut_, [](const LoadOut& load) {
        const auto request = load.request.lock();
        return !request || !request->task();
    });
    QSet<QString> loading;
    for (const LoadOut& load : loadsOut_) {
        loading.insert(load.conversationId);
    }
    keysSetAt_.removeIf(
        [&](decltype(keysSetAt_)::iterator entry) { return !loading.contains(entry.key()); });
}
