#include "accounts/people/ZVContactProfileViewController.h"

#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "accounts/people/ZVMyAvatarCell.h"
#include "platform/foundation/Application.h"
#include "platform/ui/controllers/PopoverPresentation.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Button.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/tables/ZVTableView.h"

std::shared_ptr<ZVContactProfileViewController> ZVContactProfileViewController::make(
    std::shared_ptr<Contact> contact) {
    auto profile = std::make_shared<ZVContactProfileViewController>(std::move(contact));
    std::weak_ptr<ZVContactProfileViewController> weak = profile;
    profile->avatar_->addBackButton()->addTarget(platform::Control::TouchUpInside,
                                                 [weak](platform::Control&) {
                                                     if (const auto self = weak.lock()) {
                                                         self->navigateBack();
                                                     }
                                                 });
    profile->nameObservation_ =
        profile->contact_->observe(QStringLiteral("display_name"), [weak](const QString&) {
            if (const auto self = weak.lock()) {
                self->avatar_->refresh();
            }
        });
    return profile;
}

ZVContactProfileViewController::ZVContactProfileViewController(std::shared_ptr<Contact> contact)
    : contact_(std::move(contact)) {
    setModalTransitionStyle(ModalTransitionStyle::CrossDissolve);
    avatar_ = std::make_shared<ZVMyAvatarCell>(contact_);
    addCell(avatar_);
    if (!contact_->zelvoAddress().isEmpty()) {
        addField(kUsernameTitle, contact_->friendlyZelvoId());
    }
    addField(kEmailTitle, contact_->email());
    addField(kPhoneTitle, contact_->phoneNr());
    if (!contact_->organisationId().isEmpty()) {
        const auto session = std::dynamic_pointer_cast<ZVRepositorySession>(contact_->session());
        if (session) {
            addField(kOrganizationTitle, session->organisationName(contact_->organisationId()));
        }
    }
    contact_->refreshData();
}

ZVContactProfileViewController::~ZVContactProfileViewController() = default;

void ZVContactProfileViewController::addField(const QString& title, const QString& value) {
    if (value.isEmpty()) {
        return;
    }
    addHeader(title);
    auto cell = std::make_shared<ZVLabelCell>();
    cell->setLabelText(value);
    cell->setBeginsGroup(true);
    cell->setEndsGroup(true);
    addCell(cell);
}

void ZVContactProfileViewController::viewDidLoad() {
    ZVDialogCells::viewDidLoad();
    tableView()->setScrollEnabled(false);
}

void ZVContactProfileViewController::navigateBack() {
    dismissViewController(true);
}

std::shared_ptr<ZVContactProfileViewController> ZVContactProfileViewController::showForContact(
    const std::shared_ptr<Contact>& contact, platform::View* view) {
    if (!contact) {
        return nullptr;
    }
    auto profile = make(contact);
    const auto navigation = ZVScreenCoordinator::shared().leftNavigationController();
    if (!navigation) {
        return profile;
    }
    const bool tablet =
        platform::Application::shared().userInterfaceIdiom() == platform::UserInterfaceIdiom::Pad;
    if (tablet && view && view->superview()) {
        profile->setModalPresentationStyle(ModalPresentationStyle::Popover);
        auto& popover = profile->popoverPresentationController();
        popover.setSourceView(view->superview()->shared_from_this());
        popover.setSourceRect(view->frame());
        popover.setPermittedArrowDirections(platform::PopoverArrowDirection::Any);
    }
    navigation->presentViewController(profile, true);
    return profile;
}
