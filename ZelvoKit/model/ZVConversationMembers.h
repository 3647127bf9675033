#pragma once

#include "ZelvoKit/support/base/ZVError.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class Contact;
class Conversation;
class Member;
class Team;
class ZVMember;
class ZVRepositorySession;

// The member roster of one conversation: entries for its stored members (kept in step with the
// Member rows), its teams, and the people and teams the user added but has not sent yet. Every
// entry has a short name unique within the roster. Local additions are committed as the request
// the situation needs: a one-to-one dialog, a new conversation, a group forked from a dialog, or
// members added to an existing conversation.
//
// Made by its conversation on first use; changes are announced on the conversation under
// "sortedMembers". Main thread only.
class ZVConversationMembers {
public:
    using Entry = std::shared_ptr<ZVMember>;
    using SuccessBlock = std::function<void()>;
    using ErrorBlock = std::function<void(const ZVErrorPtr& error)>;

    static constexpr char kSortedMembersKey[] = "sortedMembers";

    explicit ZVConversationMembers(const std::shared_ptr<Conversation>& conversation);

    // Rebuilds from the stored membership, unless it is the one of the last rebuild.
    void refreshAndNotify(bool notify) { refreshAndNotify(notify, false); }
    void refreshAndNotify(bool notify, bool force);
    // The membership's fingerprint: one value per set of account ids and team ids.
    static std::uint32_t hashMembers(const std::vector<std::shared_ptr<Member>>& members,
                                     const QStringList& teamIds);

    void updateUniqueNames();
    // One round of moving clashing entries to their next suggested name; whether any moved.
    bool updateNameConflicts();
    void updateTeamMembers();

    // --- look-ups ---

    Entry memberByAccountId(const QString& accountId) const;
    bool containsId(const QString& accountId) const {
        return memberByAccountId(accountId) != nullptr;
    }
    Entry memberByZelvoId(const QString& zelvoId) const;
    // A product address by its name first; otherwise by address, ignoring case.
    Entry memberByEmail(const QString& email) const;
    bool containsEmail(const QString& email) const { return memberByEmail(email) != nullptr; }
    // A typed name: a product address, or a suggested name of the latest to join.
    Entry memberByLookupString(const QString& text) const;
    std::vector<Entry> membersMatchingString(const QString& text, bool includeSelf) const;
    // Everyone but the user.
    QStringList nameList() const;
    QStringList uniqueNameList() const;

    qsizetype count() const { return static_cast<qsizetype>(members_.size()); }
    qsizetype countWithoutSelf() const;
    const Entry& operator[](qsizetype index) const {
        return members_[static_cast<std::size_t>(index)];
    }
    const std::vector<Entry>& asArray() const { return members_; }
    auto begin() const { return members_.begin(); }
    auto end() const { return members_.end(); }
    // None when the conversation has no team list and nothing was added.
    const std::vector<std::shared_ptr<Team>>* teams() const {
        return hasTeams_ ? &teams_ : nullptr;
    }
    const std::vector<Entry>& nonTeamMembers() const { return nonTeamMembers_; }
    const QString& spawnedConversationId() const { return spawnedConversationId_; }

    // --- local changes ---

    void addContact(const QString& accountId);
    void addEmail(const QString& email, const QString& name);
    void addMember(const Entry& entry);
    // A team the session does not know is not added.
    void addTeam(const QString& teamId);
    void revokeAdd(const Entry& entry);
    void revokeAddTeam(const QString& teamId);
    void cancelAdds();

    // --- the service ---

    // Sends the local additions; the membership comes back through the stream.
    void commitAdds(SuccessBlock onSuccess, ErrorBlock onError);
    void removeMember(const Entry& entry, SuccessBlock onSuccess, ErrorBlock onError);

private:
    std::shared_ptr<Conversation> conversation() const { return conversation_.lock(); }
    std::shared_ptr<ZVRepositorySession> session() const;
    void willChange() const;
    void didChange() const;
    void announceBatched() const;
    void removeEntry(const Entry& entry);
    void insertSorted(const Entry& entry);
    void sortMembers();
    Entry entryForRecord(const std::shared_ptr<Member>& record, std::vector<Entry>& candidates,
                         bool* changed);
    void send(const std::shared_ptr<class ZVApiRequest>& request, SuccessBlock onSuccess,
              ErrorBlock onError);

    std::vector<Entry> members_;
    std::vector<std::shared_ptr<Team>> teams_;
    bool hasTeams_ = false;
    std::vector<Entry> nonTeamMembers_;
    std::weak_ptr<Conversation> conversation_;
    std::uint32_t membersHash_ = 0;
    bool built_ = false;
    QString spawnedConversationId_;
};
