#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <memory>

class Contact;
class Team;

// One entry of the contact list: a team of the user's, a contact of the account, a person of the
// address book or an address the user typed. Entries sort teams first, then by name without
// regard to case or accents; the name's collation key is made once, when the name is set.
class ZVContact {
public:
    // "%ld members" of a team entry.
    static QString membersText(qsizetype count);

    ZVContact(const QString& name, const QString& email, const QString& accountId);
    explicit ZVContact(const std::shared_ptr<Contact>& contact);
    explicit ZVContact(const Team& team);

    const QString& name() const { return name_; }
    const QString& email() const { return email_; }
    // Account id of a contact, team id of a team; null for address-book people and typed
    // addresses.
    const QString& objectId() const { return objectId_; }
    const std::shared_ptr<Contact>& contact() const { return contact_; }
    bool checked() const { return checked_; }
    void setChecked(bool checked) { checked_ = checked; }
    bool alwaysChecked() const { return alwaysChecked_; }
    void setAlwaysChecked(bool alwaysChecked) { alwaysChecked_ = alwaysChecked; }
    bool isTeam() const { return isTeam_; }

    // Negative, zero or positive.
    int compare(const ZVContact& other) const;
    bool operator<(const ZVContact& other) const { return compare(other) < 0; }
    // The key the order compares names by.
    const QByteArray& collationKey() const { return key_; }
    // The same key for any text: case and accents are ignored.
    static QByteArray collationKeyFor(const QString& text);

private:
    QString name_;
    QString email_;
    QString objectId_;
    std::shared_ptr<Contact> contact_;
    QByteArray key_;
    bool checked_ = false;
    bool alwaysChecked_ = false;
    bool isTeam_ = false;
};
