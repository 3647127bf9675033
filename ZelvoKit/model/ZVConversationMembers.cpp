#include "ZelvoKit/model/ZVConversationMembers.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Member.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"

#include <QtCore/QHash>
#include <QtCore/QJsonArray>

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kSortedMembers = QString::fromLatin1(ZVConversationMembers::kSortedMembersKey);
// Keeps account ids and team ids apart in the membership's fingerprint.
constexpr std::size_t kTeamSeed = 0x7eab;

QStringList teamIdsOf(const Conversation& conversation) {
    QStringList ids;
    for (const QJsonValue& id : conversation.teamsArray()) {
        if (id.isString()) {
            ids.append(id.toString());
        }
    }
    return ids;
}

bool containsEntry(const std::vector<ZVConversationMembers::Entry>& entries,
                   const ZVConversationMembers::Entry& entry) {
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

void eraseEntry(std::vector<ZVConversationMembers::Entry>& entries,
                const ZVConversationMembers::Entry& entry) {
    entries.erase(std::remove(entries.begin(), entries.end(), entry), entries.end());
}

}  // namespace

ZVConversationMembers::ZVConversationMembers(const std::shared_ptr<Conversation>& conversation)
    : conversation_(conversation) {
    refreshAndNotify(false);
}

std::shared_ptr<ZVRepositorySession> ZVConversationMembers::session() const {
    const auto conversation = this->conversation();
    return conversation ? conversation->repositorySession() : nullptr;
}

void ZVConversationMembers::willChange() const {
    if (const auto conversation = this->conversation()) {
        conversation->willChangeValueForKey(kSortedMembers);
    }
}

void ZVConversationMembers::didChange() const {
    if (const auto conversation = this->conversation()) {
        conversation->didChangeValueForKey(kSortedMembers);
    }
}

void ZVConversationMembers::announceBatched() const {
    if (const auto conversation = this->conversation()) {
        conversation->willChangeProperty(kSortedMembers);
    }
}

// --- rebuilding ---

std::uint32_t ZVConversationMembers::hashMembers(
    const std::vector<std::shared_ptr<Member>>& members, const QStringList& teamIds) {
    std::size_t hash = 0;
    for (const auto& member : members) {
        hash ^= qHash(member->accountId());
    }
    for (const QString& teamId : teamIds) {
        hash ^= qHash(teamId, kTeamSeed);
    }
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

void ZVConversationMembers::refreshAndNotify(bool notify, bool force) {
    const auto conversation = this->conversation();
    if (!conversation) {
        return;
    }
    const std::vector<std::shared_ptr<Member>> records = conversation->members();
    const QStringList teamIds = teamIdsOf(*conversation);
    const std::uint32_t hash = hashMembers(records, teamIds);
    if (built_ && !force && hash == membersHash_) {
        return;
    }

    teams_.clear();
    hasTeams_ = conversation->hasTeamsArray();
    if (hasTeams_) {
        if (const auto session = this->session()) {
            for (const QString& teamId : teamIds) {
                if (auto team = session->teamFromId(teamId)) {
                    teams_.push_back(std::move(team));
                }
            }
        }
    } else {
        nonTeamMembers_.clear();
    }

    std::vector<Entry> candidates;
    for (const Entry& entry : members_) {
        if (!entry->isAdded()) {
            candidates.push_back(entry);
        }
    }
    bool changed = false;
    for (const auto& record : records) {
        const Entry entry = entryForRecord(record, candidates, &changed);
        eraseEntry(candidates, entry);
    }
    for (const Entry& gone : candidates) {
        eraseEntry(members_, gone);
    }
    if (changed || !candidates.empty()) {
        updateUniqueNames();
        if (notify) {
            announceBatched();
        }
        sortMembers();
    }
    updateTeamMembers();
    membersHash_ = hash;
    built_ = true;
}

ZVConversationMembers::Entry ZVConversationMembers::entryForRecord(
    const std::shared_ptr<Member>& record, std::vector<Entry>& candidates, bool* changed) {
    const QString accountId = record->accountId();
    Entry entry = memberByAccountId(accountId);
    std::shared_ptr<Contact> contact;
    if (!entry) {
        const auto session = this->session();
        contact = session ? session->contactFromId(accountId) : nullptr;
        // A person added by address becomes this member: the added entry makes way for them.
        const auto byAddress = [&](const QString& address) -> Entry {
            Entry found = memberByEmail(address);
            if (found && found->isAdded()) {
                if (!containsEntry(candidates, found)) {
                    candidates.push_back(found);
                }
                return nullptr;
            }
            return found;
        };
        if (contact && !contact->email().isEmpty()) {
            entry = byAddress(contact->email());
        }
        if (contact && !contact->zelvoAddress().isEmpty()) {
            entry = byAddress(contact->friendlyZelvoId());
        }
    }
    if (!entry) {
        entry = ZVMember::withMember(record, contact);
        members_.push_back(entry);
        *changed = true;
        return entry;
    }
    if (entry->isAdded()) {
        *changed = true;
    }
    entry->setIsAdded(false);
    entry->attachMember(record);
    return entry;
}

void ZVConversationMembers::sortMembers() {
    std::stable_sort(members_.begin(), members_.end(),
                     [](const Entry& a, const Entry& b) { return a->compareWith(*b) < 0; });
}

void ZVConversationMembers::insertSorted(const Entry& entry) {
    const auto at =
        std::upper_bound(members_.begin(), members_.end(), entry,
                         [](const Entry& a, const Entry& b) { return a->compareWith(*b) < 0; });
    members_.insert(at, entry);
}

void ZVConversationMembers::removeEntry(const Entry& entry) {
    eraseEntry(members_, entry);
}

// --- names and teams ---

void ZVConversationMembers::updateUniqueNames() {
    for (const Entry& entry : members_) {
        entry->setUniqueShortName(entry->shortName());
    }
    while (updateNameConflicts()) {
    }
}

bool ZVConversationMembers::updateNameConflicts() {
    QHash<QString, std::vector<Entry>> groups;
    for (const Entry& entry : members_) {
        if (!entry->suggestedFriendlyNames().isEmpty()) {
            groups[entry->uniqueShortName().trimmed()].push_back(entry);
        }
    }
    bool moved = false;
    for (const auto& group : std::as_const(groups)) {
        if (group.size() < 2) {
            continue;
        }
        // Every entry of a clash moves on, so no one keeps the plain name by chance of order.
        for (const Entry& entry : group) {
            const QStringList names = entry->suggestedFriendlyNames();
            const qsizetype at = names.indexOf(entry->uniqueShortName());
            if (at >= 0 && at + 1 < names.size()) {
                entry->setUniqueShortName(names[at + 1]);
                moved = true;
            }
        }
    }
    return moved;
}

void ZVConversationMembers::updateTeamMembers() {
    QSet<QString> inTeams;
    for (const auto& team : teams_) {
        inTeams.unite(team->membersSet());
    }
    nonTeamMembers_.clear();
    for (const Entry& entry : members_) {
        entry->setIsTeamMember(!entry->accountId().isEmpty() &&
                               inTeams.contains(entry->accountId()));
        if (!entry->isTeamMember()) {
            nonTeamMembers_.push_back(entry);
        }
    }
}

// --- look-ups ---

ZVConversationMembers::Entry ZVConversationMembers::memberByAccountId(
    const QString& accountId) const {
    for (const Entry& entry : members_) {
        if (!entry->accountId().isNull() && entry->accountId() == accountId) {
            return entry;
        }
    }
    return nullptr;
}

ZVConversationMembers::Entry ZVConversationMembers::memberByZelvoId(const QString& zelvoId) const {
    for (const Entry& entry : members_) {
        if (!entry->zelvoId().isEmpty() &&
            entry->zelvoId().compare(zelvoId, Qt::CaseInsensitive) == 0) {
            return entry;
        }
    }
    return nullptr;
}

ZVConversationMembers::Entry ZVConversationMembers::memberByEmail(const QString& email) const {
    if (const QString zelvoId = ZVApi::api().zelvoIdFromEmail(email); !zelvoId.isNull()) {
        if (Entry found = memberByZelvoId(zelvoId)) {
            return found;
        }
    }
    for (const Entry& entry : members_) {
        if (!entry->email().isEmpty() && entry->email().compare(email, Qt::CaseInsensitive) == 0) {
            return entry;
        }
    }
    return nullptr;
}

ZVConversationMembers::Entry ZVConversationMembers::memberByLookupString(
    const QString& text) const {
    if (Entry found = memberByZelvoId(text)) {
        return found;
    }
    std::vector<Entry> latestFirst = members_;
    std::stable_sort(latestFirst.begin(), latestFirst.end(), [](const Entry& a, const Entry& b) {
        return a->joinMessageNr() > b->joinMessageNr();
    });
    for (const Entry& entry : latestFirst) {
        if (entry->suggestedFriendlyNames().contains(text, Qt::CaseInsensitive)) {
            return entry;
        }
    }
    return nullptr;
}

std::vector<ZVConversationMembers::Entry> ZVConversationMembers::membersMatchingString(
    const QString& text, bool includeSelf) const {
    std::vector<Entry> matching;
    for (const Entry& entry : members_) {
        if (entry->isLocalContact() && !includeSelf) {
            continue;
        }
        if (entry->matchString(text)) {
            matching.push_back(entry);
        }
    }
    return matching;
}

QStringList ZVConversationMembers::nameList() const {
    QStringList names;
    for (const Entry& entry : members_) {
        if (!entry->isLocalContact()) {
            names.append(entry->displayName());
        }
    }
    return names;
}

QStringList ZVConversationMembers::uniqueNameList() const {
    QStringList names;
    for (const Entry& entry : members_) {
        if (!entry->isLocalContact()) {
            names.append(entry->uniqueShortName());
        }
    }
    return names;
}

qsizetype ZVConversationMembers::countWithoutSelf() const {
    const auto session = this->session();
    const QString self =
        session && session->profile() ? session->profile()->contactId() : QString();
    return self.isEmpty() || !containsId(self) ? count() : count() - 1;
}

// --- local changes ---

void ZVConversationMembers::addContact(const QString& accountId) {
    if (containsId(accountId)) {
        return;
    }
    const auto session = this->session();
    if (const auto contact = session ? session->contactFromId(accountId) : nullptr) {
        addMember(ZVMember::withContact(contact));
    }
}

void ZVConversationMembers::addEmail(const QString& email, const QString& name) {
    const QString address = email.toLower();
    if (containsEmail(address)) {
        return;
    }
    const auto session = this->session();
    if (const auto contact = session ? session->contactFromEmail(address) : nullptr) {
        addContact(contact->accountId());
    } else {
        addMember(ZVMember::withEmail(address, name));
    }
}

void ZVConversationMembers::addMember(const Entry& entry) {
    entry->setIsAdded(!entry->isLocalContact());
    willChange();
    insertSorted(entry);
    updateTeamMembers();
    didChange();
    updateUniqueNames();
    if (const auto conversation = this->conversation()) {
        conversation->updateTopicNotifyImmediately(true);
    }
}

void ZVConversationMembers::addTeam(const QString& teamId) {
    const auto session = this->session();
    const auto team = session ? session->teamFromId(teamId) : nullptr;
    if (!team) {
        return;
    }
    announceBatched();
    teams_.push_back(team);
    hasTeams_ = true;
    updateTeamMembers();
}

void ZVConversationMembers::revokeAdd(const Entry& entry) {
    if (!entry || !entry->isAdded()) {
        return;
    }
    willChange();
    removeEntry(entry);
    updateTeamMembers();
    didChange();
    if (const auto conversation = this->conversation()) {
        conversation->updateTopicNotifyImmediately(true);
    }
}

void ZVConversationMembers::revokeAddTeam(const QString& teamId) {
    announceBatched();
    std::shared_ptr<Team> revoked;
    for (auto it = teams_.begin(); it != teams_.end(); ++it) {
        if ((*it)->teamId() == teamId) {
            revoked = *it;
            teams_.erase(it);
            break;
        }
    }
    if (revoked) {
        for (const QString& accountId : revoked->membersSet()) {
            if (const Entry entry = memberByAccountId(accountId); entry && entry->isAdded()) {
                removeEntry(entry);
            }
        }
    }
    refreshAndNotify(true);
    updateTeamMembers();
}

void ZVConversationMembers::cancelAdds() {
    const auto conversation = this->conversation();
    // Until the service has the conversation, the additions are all it is.
    if (!conversation || conversation->isNewConversation()) {
        return;
    }
    willChange();
    std::erase_if(members_, [](const Entry& entry) { return entry->isAdded(); });
    refreshAndNotify(true, true);
    updateTeamMembers();
    didChange();
    conversation->updateTopicNotifyImmediately(true);
}

// --- the service ---

void ZVConversationMembers::send(const std::shared_ptr<ZVApiRequest>& request,
                                 SuccessBlock onSuccess, ErrorBlock onError) {
    const auto session = this->session();
    if (!session) {
        return;
    }
    request->setSuccessHandler(std::move(onSuccess));
    request->setErrorHandler([onError = std::move(onError)](const ZVErrorPtr& error) {
        if (onError) {
            onError(error);
        }
    });
    session->sendRequest(request);
}

void ZVConversationMembers::commitAdds(SuccessBlock onSuccess, ErrorBlock onError) {
    const auto conversation = this->conversation();
    if (!conversation) {
        return;
    }
    const bool isNew = conversation->isNewConversation();
    const QString partner = conversation->dialogPartner();
    const bool isDialog = !partner.isNull();
    const QString prefix = isNew || isDialog ? QString() : u"add_"_s;

    QStringList newTeams;
    const QStringList knownTeams = teamIdsOf(*conversation);
    for (const auto& team : teams_) {
        if (!knownTeams.contains(team->teamId())) {
            newTeams.append(team->teamId());
        }
    }
    std::vector<Entry> newMembers;
    for (const Entry& entry : members_) {
        if (entry->isAdded() && !entry->isLocalContact() && !entry->isTeamMember()) {
            newMembers.push_back(entry);
        }
    }
    // The request may outlive the roster; it reaches it again through the conversation.
    const std::weak_ptr<Conversation> weakConversation = conversation;
    const auto succeeded = [weakConversation, onSuccess] {
        if (const auto conversation = weakConversation.lock()) {
            conversation->sortedMembers()->cancelAdds();
        }
        if (onSuccess) {
            onSuccess();
        }
    };
    if (newMembers.empty() && newTeams.isEmpty() && !isNew) {
        if (onSuccess) {
            onSuccess();
        }
        return;
    }

    if (isNew && newMembers.size() == 1 && newTeams.isEmpty()) {
        const Entry& partnerEntry = newMembers.front();
        if (partnerEntry->contact()) {
            spawnedConversationId_ = partnerEntry->contact()->dialogId();
            if (!spawnedConversationId_.isEmpty()) {
                // The dialog exists: nothing to ask the service.
                cancelAdds();
                if (onSuccess) {
                    onSuccess();
                }
                return;
            }
        }
        const QJsonObject arguments =
            partnerEntry->accountId().isEmpty()
                ? QJsonObject{{u"contact_email"_s, partnerEntry->email()}}
                : QJsonObject{{u"contact_id"_s, partnerEntry->accountId()}};
        const auto request = std::make_shared<ZVApiRequest>(u"account/dialog"_s, arguments);
        request->setTag(ZVApiRequest::TagConversationCreate);
        request->setHandler([weakConversation](ZVJsonParser& answer) -> ZVErrorPtr {
            if (const auto conversation = weakConversation.lock()) {
                conversation->sortedMembers()->spawnedConversationId_ =
                    answer.extractString(u"conversation_id", QString());
            }
            return nullptr;
        });
        send(request, succeeded, std::move(onError));
        return;
    }

    QStringList accountIds;
    QStringList emails;
    for (const Entry& entry : newMembers) {
        if (entry->accountId().isEmpty()) {
            emails.append(entry->email());
        } else {
            accountIds.append(entry->accountId());
        }
    }
    if (isDialog) {
        accountIds.append(partner);
    }
    QJsonObject arguments;
    if (!emails.isEmpty()) {
        arguments.insert(prefix + u"emails"_s, emails.join(u' '));
    }
    if (!accountIds.isEmpty()) {
        arguments.insert(prefix + u"account_ids"_s, QJsonArray::fromStringList(accountIds));
    }
    if (!newTeams.isEmpty()) {
        arguments.insert(prefix + u"team_ids"_s, QJsonArray::fromStringList(newTeams));
    }
    std::shared_ptr<ZVApiRequest> request;
    if (isDialog) {
        // A group forked from the dialog, with the partner and the new members.
        arguments.insert(u"fork_conversation_id"_s, conversation->conversationId());
        request = std::make_shared<ZVApiRequest>(u"conversation/create"_s, arguments);
    } else if (isNew) {
        request = std::make_shared<ZVApiRequest>(u"conversation/create"_s, arguments);
        request->setTag(ZVApiRequest::TagConversationCreate);
    } else {
        request = std::make_shared<ZVApiRequest>(u"conversation/store/%@",
                                                 conversation->conversationId(), arguments);
    }
    send(request, succeeded, std::move(onError));
}

void ZVConversationMembers::removeMember(const Entry& entry, SuccessBlock onSuccess,
                                         ErrorBlock onError) {
    const auto conversation = this->conversation();
    if (!entry || !conversation) {
        return;
    }
    if (entry->isAdded()) {
        revokeAdd(entry);
        if (onSuccess) {
            onSuccess();
        }
        return;
    }
    const QJsonObject arguments =
        entry->accountId().isEmpty()
            ? QJsonObject{{u"remove_addrs"_s, QJsonArray{entry->email()}}}
            : QJsonObject{{u"remove_ids"_s, QJsonArray{entry->accountId()}}};
    send(std::make_shared<ZVApiRequest>(u"conversation/store/%@", conversation->conversationId(),
                                        arguments),
         std::move(onSuccess), std::move(onError));
}
