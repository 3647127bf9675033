#include "platform/ui/standins/AddressBook.h"

#include "platform/ui/standins/SharedSlot.h"
#include "platform/ui/standins/VCardAddressBook.h"

namespace platform {

std::shared_ptr<AddressBook> AddressBook::shared() {
    auto& book = sharedSlot<std::shared_ptr<AddressBook>>();
    if (!book) {
        book = std::make_shared<VCardAddressBook>(VCardAddressBook::defaultPath());
    }
    return book;
}

void AddressBook::setShared(std::shared_ptr<AddressBook> book) {
    sharedSlot<std::shared_ptr<AddressBook>>() = std::move(book);
}

}  // namespace platform
