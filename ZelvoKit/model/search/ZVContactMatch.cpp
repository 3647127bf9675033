#include "ZelvoKit/model/search/ZVContactMatch.h"

#include "ZelvoKit/model/Contact.h"

ZVContactMatch::ZVContactMatch(const std::shared_ptr<Contact>& contact,
                               platform::AttributedString nameMatch)
    : contact_(contact),
      nameMatch_(std::move(nameMatch)),
      accountId_(contact->accountId()),
      dialogId_(contact->dialogId()) {}
