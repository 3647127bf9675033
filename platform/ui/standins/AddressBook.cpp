#include "platform/ui/standins/AddressBook.h"

#include "platform/foundation/SharedState.h"
#include "platform/ui/standins/VCardAddressBook.h"

namespace platform {

namespace {

std::shared_ptr<AddressBook>& installed() {
    // Never destroyed, like the other process-wide objects.
    static auto* const book = [] {
        auto* holder = new std::shared_ptr<AddressBook>();
        onResetSharedState([] { installed().reset(); });
        return holder;
    }();
    return *book;
}

}  // namespace

std::shared_ptr<AddressBook> AddressBook::shared() {
    auto& book = installed();
    if (!book) {
        book = std::make_shared<VCardAddressBook>(VCardAddressBook::defaultPath());
    }
    return book;
}

void AddressBook::setShared(std::shared_ptr<AddressBook> book) {
    installed() = std::move(book);
}

}  // namespace platform
