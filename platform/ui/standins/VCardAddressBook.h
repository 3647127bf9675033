#pragma once

#include "platform/ui/standins/AddressBook.h"

namespace platform {

// The address book of a desktop: a vCard file of the user's contacts, exported from wherever
// they keep them. There is no one else to ask for access, so the first request grants it; the
// answer is remembered in the user defaults, and until then the book reads as not determined, so
// the application still asks the user before it reads their contacts.
class VCardAddressBook : public AddressBook {
public:
    static const QString kAccessKey;

    // `nameFormat` applies to every person; by default it follows the system's language.
    explicit VCardAddressBook(QString path);
    VCardAddressBook(QString path, CompositeNameFormat nameFormat);

    // "<Library>/AddressBook/Contacts.vcf".
    static QString defaultPath();
    static CompositeNameFormat systemNameFormat();

    QString path() const { return path_; }

    AddressBookAuthorizationStatus authorizationStatus() const override;
    void requestAccess(AccessHandler handler) override;
    // A missing or unreadable file is an empty book.
    std::vector<AddressBookPerson> people() const override;

private:
    QString path_;
    CompositeNameFormat nameFormat_;
};

}  // namespace platform
