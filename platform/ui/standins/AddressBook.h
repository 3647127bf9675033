#pragma once

#include <QtCore/QString>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

// With the platform's numbers.
enum class AddressBookAuthorizationStatus : int {
    NotDetermined = 0,
    Restricted = 1,
    Denied = 2,
    Authorized = 3,
};

// How a person's full name is put together, with the platform's numbers.
enum class CompositeNameFormat : int {
    FirstNameFirst = 0,
    LastNameFirst = 1,
};

// One value of a multi-value property (a person's e-mail addresses), with its label ("work",
// "home"... or empty).
struct LabeledValue {
    QString label;
    QString value;
    bool operator==(const LabeledValue&) const = default;
};

struct AddressBookPerson {
    // Null when the person has none.
    QString firstName;
    QString lastName;
    CompositeNameFormat nameFormat = CompositeNameFormat::FirstNameFirst;
    // In the book's order.
    std::vector<LabeledValue> emails;
};

// The user's address book: who may read it and the people in it. Main thread only; an answer to
// an access request comes later, posted to the main scheduler, never from within the call.
class AddressBook {
public:
    using AccessHandler = std::function<void(bool granted)>;

    virtual ~AddressBook() = default;

    // The vCard book of the user's files unless another one is installed.
    static std::shared_ptr<AddressBook> shared();
    // Replaces the shared book (tests); null goes back to the default one.
    static void setShared(std::shared_ptr<AddressBook> book);

    virtual AddressBookAuthorizationStatus authorizationStatus() const = 0;
    // Asks for access when it is not yet determined; `handler` gets the answer in any case.
    virtual void requestAccess(AccessHandler handler) = 0;
    // Everyone in the book, in its order; nothing unless access is authorised.
    virtual std::vector<AddressBookPerson> people() const = 0;
};

}  // namespace platform
