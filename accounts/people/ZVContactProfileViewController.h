#pragma once

#include "platform/foundation/Observable.h"
#include "toolkit/dialogs/ZVDialogCells.h"

#include <QtCore/QString>

#include <memory>

class Contact;
class ZVMyAvatarCell;
namespace platform {
class View;
}

// The read-only profile of a contact: the avatar header with its back arrow, then the username,
// e-mail, phone number and organisation that the contact has. A popover on a tablet, a screen
// covering the phone's.
class ZVContactProfileViewController : public ZVDialogCells {
public:
    static inline const QString kUsernameTitle = QStringLiteral("Username");
    static inline const QString kEmailTitle = QStringLiteral("Email");
    static inline const QString kPhoneTitle = QStringLiteral("Phone number");
    static inline const QString kOrganizationTitle = QStringLiteral("Organization");

    static std::shared_ptr<ZVContactProfileViewController> make(std::shared_ptr<Contact> contact);
    explicit ZVContactProfileViewController(std::shared_ptr<Contact> contact);
    ~ZVContactProfileViewController() override;

    // Made and shown for the contact, pointing at `view` on a tablet.
    static std::shared_ptr<ZVContactProfileViewController> showForContact(
        const std::shared_ptr<Contact>& contact, platform::View* view);

    const std::shared_ptr<Contact>& contact() const { return contact_; }
    const std::shared_ptr<ZVMyAvatarCell>& avatar() const { return avatar_; }

    void navigateBack() override;
    void viewDidLoad() override;
    StatusBarStyle preferredStatusBarStyle() const override { return StatusBarStyle::LightContent; }

private:
    void addField(const QString& title, const QString& value);

    std::shared_ptr<Contact> contact_;
    std::shared_ptr<ZVMyAvatarCell> avatar_;
    platform::Observation nameObservation_;
};
