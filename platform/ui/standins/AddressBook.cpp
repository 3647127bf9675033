#include "platform/ui/standins/AddressBook.h"

#include "platform/foundation/SharedSlot.h"
#include "platform/ui/standins/VCardAddressBook.h"

namespace platform {

std::shared_ptr<AddressBook> AddressBook::shared() {
    return sharedService<AddressBook>(
        [] { return std::make_shared<VCardAddressBook>(VCardAddressBook::defaultPath()); });
}

void AddressBook::setShared(std::shared_ptr<AddressBook> book) {
    sharedSlot<std::shared_ptr<AddressBook>>() = std::move(book);
}

}  // namespace platform
