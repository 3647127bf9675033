#include "platform/ui/standins/FakeAddressBook.h"

#include "platform/foundation/Scheduler.h"

namespace platform {

void FakeAddressBook::requestAccess(AccessHandler handler) {
    ++state_->accessRequests;
    // The user's answer arrives later, as a system prompt's would.
    Scheduler::main().post([state = state_, handler = std::move(handler)] {
        if (state->status == AddressBookAuthorizationStatus::NotDetermined) {
            state->status = state->userGrants ? AddressBookAuthorizationStatus::Authorized
                                              : AddressBookAuthorizationStatus::Denied;
        }
        if (handler) {
            handler(state->status == AddressBookAuthorizationStatus::Authorized);
        }
    });
}

std::vector<AddressBookPerson> FakeAddressBook::people() const {
    if (state_->status != AddressBookAuthorizationStatus::Authorized) {
        return {};
    }
    return state_->people;
}

}  // namespace platform
