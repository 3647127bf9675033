#pragma once

#include "platform/foundation/AttributedString.h"
#include "platform/foundation/Observable.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstdint>
#include <memory>

class Contact;
class Member;

// One entry of a conversation's member roster: a person in the conversation (from their stored
// Member row and Contact), a person picked to be added (a Contact alone), or an e-mail participant
// being added (an address and a name). In memory only; observable under "readHorizon".
class ZVMember : public platform::Observable {
public:
    static std::shared_ptr<ZVMember> withContact(const std::shared_ptr<Contact>& contact);
    static std::shared_ptr<ZVMember> withMember(const std::shared_ptr<Member>& member,
                                                const std::shared_ptr<Contact>& contact);
    // An address on the service's own host belongs to an account, any other to an e-mail
    // participant. An empty name shows the address.
    static std::shared_ptr<ZVMember> withEmail(const QString& email, const QString& name);

    // Null for an e-mail entry.
    const QString& accountId() const { return accountId_; }
    const std::shared_ptr<Contact>& contact() const { return contact_; }
    const QString& email() const { return email_; }
    const QString& displayName() const { return displayName_; }
    const QString& shortName() const { return shortName_; }
    // The short name made unique within the roster; "" or null until the roster sets it.
    const QString& uniqueShortName() const { return uniqueShortName_; }
    // A null name keeps the previous one.
    void setUniqueShortName(const QString& name);
    const QString& zelvoId() const { return zelvoId_; }

    std::int64_t readHorizon() const { return readHorizon_; }
    // Also writes the stored row's read horizon when there is a row.
    void setReadHorizon(std::int64_t readHorizon);
    std::int64_t joinMessageNr() const { return joinMessageNr_; }
    void setJoinMessageNr(std::int64_t nr) { joinMessageNr_ = nr; }

    // Added locally and not yet confirmed by the service.
    bool isAdded() const { return isAdded_; }
    void setIsAdded(bool added) { isAdded_ = added; }
    bool isEmail() const { return isEmail_; }
    bool isTeamMember() const { return isTeamMember_; }
    void setIsTeamMember(bool teamMember) { isTeamMember_ = teamMember; }
    // The stored row; none for an entry the service does not know yet.
    const std::shared_ptr<Member>& member() const { return member_; }
    // The service confirmed the entry: it follows the row from now on.
    void attachMember(const std::shared_ptr<Member>& member);

    bool isLocalContact() const;
    bool isAdmin() const;
    // The contact's candidate short names, or the address alone without a contact.
    QStringList suggestedFriendlyNames() const;
    QString description() const;

    // Takes the names from the contact again.
    void updateName();
    // Roster order: entries in the conversation before added ones, then by display name ignoring
    // case. Negative, zero or positive.
    int compareWith(const ZVMember& other) const;
    // Whether the text starts a word of the display name or the address; the matched range is
    // highlighted in highlightedName() and highlightedZelvoId(). An empty text matches all.
    bool matchString(const QString& text);
    // Exactly the entry's address, its contact's address or its address on the service's host.
    bool matchesEmail(const QString& email) const;
    const platform::AttributedString& highlightedName();
    const platform::AttributedString& highlightedZelvoId() const { return highlightedZelvoId_; }

private:
    void takeContact(const std::shared_ptr<Contact>& contact);
    // The highlighted name goes back to the plain name, made when next asked for.
    void plainHighlightedName();
    // The name changed: what was made of the old one goes.
    void forgetHighlightedName();

    QString accountId_;
    std::shared_ptr<Contact> contact_;
    QString email_;
    QString displayName_;
    QString uniqueShortName_;
    QString shortName_;
    std::int64_t readHorizon_ = 0;
    std::int64_t joinMessageNr_ = 0;
    QString zelvoId_;
    bool isAdded_ = false;
    bool isEmail_ = false;
    bool isTeamMember_ = false;
    std::shared_ptr<Member> member_;
    platform::AttributedString highlightedName_;
    bool hasHighlightedName_ = false;
    // Whether highlightedName_ holds a match rather than the plain name.
    bool nameHighlighted_ = false;
    platform::AttributedString highlightedZelvoId_;
};
