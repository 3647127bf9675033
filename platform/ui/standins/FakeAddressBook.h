#pragma once

#include "platform/ui/standins/AddressBook.h"

namespace platform {

// An address book that tests set up and drive: its status, its people and how the user answers
// an access request. Never the one a user runs.
class FakeAddressBook : public AddressBook {
public:
    void setAuthorizationStatus(AddressBookAuthorizationStatus status) { state_->status = status; }
    // What the user answers the next time access is asked for while it is not determined.
    void setUserGrantsAccess(bool grants) { state_->userGrants = grants; }
    void setPeople(std::vector<AddressBookPerson> people) { state_->people = std::move(people); }
    int accessRequestCount() const { return state_->accessRequests; }

    AddressBookAuthorizationStatus authorizationStatus() const override { return state_->status; }
    void requestAccess(AccessHandler handler) override;
    std::vector<AddressBookPerson> people() const override;

private:
    // Shared with answers still on their way, which may outlive the book.
    struct State {
        AddressBookAuthorizationStatus status = AddressBookAuthorizationStatus::NotDetermined;
        bool userGrants = true;
        std::vector<AddressBookPerson> people;
        int accessRequests = 0;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace platform
