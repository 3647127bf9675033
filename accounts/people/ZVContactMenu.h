#pragma once

#include "toolkit/alerts/ZVActionMenuHost.h"

#include <QtCore/QString>

#include <memory>

class Contact;
class ZVRepositorySession;

// The action menu of a contact-list row: open the conversation with the entry's address, and,
// for an account's contact, rename it or remove it from the contact list.
class ZVContactMenu : public ZVActionMenuHost {
public:
    ZVContactMenu(const std::shared_ptr<platform::TableView>& tableView,
                  std::weak_ptr<ZVRepositorySession> session);
    ~ZVContactMenu() override;

    const std::shared_ptr<Contact>& contact() const { return contact_; }
    const QString& email() const { return email_; }

    void menuWillAppear() override;
    std::shared_ptr<platform::View> pointAtView() override;

    void openConversation();
    void rename();
    void deleteContact();

private:
    std::weak_ptr<ZVRepositorySession> session_;
    std::shared_ptr<Contact> contact_;
    QString email_;
    QString name_;
};
