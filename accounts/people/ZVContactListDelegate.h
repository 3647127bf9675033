#pragma once

#include <memory>

class ZVContact;
class ZVContactListViewController;

// Told which entries the user checks and unchecks in a contact list.
class ZVContactListDelegate {
public:
    virtual ~ZVContactListDelegate() = default;
    virtual void contactListAddedContact(ZVContactListViewController& list,
                                         const std::shared_ptr<ZVContact>& contact) = 0;
    virtual void contactListDeletedContact(ZVContactListViewController& list,
                                           const std::shared_ptr<ZVContact>& contact) = 0;
};
