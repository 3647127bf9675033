#pragma once

#include "platform/foundation/AttributedString.h"

#include <QtCore/QString>

#include <memory>

class Contact;

// One contact found by an inbox search: the contact and its display name with the typed text
// highlighted. The name and id are kept as they were when the contact matched, so that the list
// stays in order while the contact changes underneath.
class ZVContactMatch {
public:
    ZVContactMatch(const std::shared_ptr<Contact>& contact, platform::AttributedString nameMatch);

    // None once the contact is gone.
    std::shared_ptr<Contact> contact() const { return contact_.lock(); }
    const platform::AttributedString& nameMatch() const { return nameMatch_; }
    const QString& accountId() const { return accountId_; }
    // The contact's one-to-one conversation, as it was when the contact matched.
    const QString& dialogId() const { return dialogId_; }

private:
    std::weak_ptr<Contact> contact_;
    platform::AttributedString nameMatch_;
    QString accountId_;
    QString dialogId_;
};
