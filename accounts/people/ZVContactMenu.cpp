#include "accounts/people/ZVContactMenu.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/markup/XMLEncoding.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "accounts/people/ZVContact.h"
#include "accounts/people/ZVContactAvatarView.h"
#include "accounts/people/ZVContactCell.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVAlertInputView.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVConfirmationAlertView.h"
#include "toolkit/screens/ZVScreenCoordinator.h"

using namespace Qt::Literals::StringLiterals;

ZVContactMenu::ZVContactMenu(const std::shared_ptr<platform::TableView>& tableView,
                             std::weak_ptr<ZVRepositorySession> session)
    : ZVActionMenuHost(tableView), session_(std::move(session)) {}

ZVContactMenu::~ZVContactMenu() = default;

std::shared_ptr<platform::View> ZVContactMenu::pointAtView() {
    const auto session = session_.lock();
    const auto& profile = session ? session->profile() : nullptr;
    if (profile && profile->isClientFlagSet(u"standard_ui_mobile"_s)) {
        return ZVActionMenuHost::pointAtView();
    }
    return nullptr;
}

void ZVContactMenu::menuWillAppear() {
    contact_.reset();
    email_.clear();
    name_.clear();
    const auto* row = dynamic_cast<ZVContactCell*>(cell().get());
    const auto entry = row ? row->contact() : nullptr;
    if (!entry) {
        return;
    }
    contact_ = entry->contact();
    email_ = entry->email();
    name_ = entry->name();
    if (contact_) {
        menu()->addView(platform::View::make<ZVContactAvatarView>(contact_));
    }
    addOption(u"chat"_s, u"Open conversation"_s, bind(&ZVContactMenu::openConversation));
    if (contact_) {
        addOption(u"edit"_s, u"Rename"_s, bind(&ZVContactMenu::rename));
        addOption(
            u"delete"_s, u"Remove"_s, bind(&ZVContactMenu::deleteContact), false,
            u"Are you sure you want to remove %1 from your contact list?"_s.arg(xmlEncoded(name_)));
    }
    ZVActionMenuHost::menuWillAppear();
}

void ZVContactMenu::openConversation() {
    if (!email_.isEmpty()) {
        ZVScreenCoordinator::shared().setConversationId(email_, true);
    }
}

void ZVContactMenu::rename() {
    const auto contact = contact_;
    if (!contact) {
        return;
    }
    const auto card = ZVAlertView::inputViewWithTitle(
        u"Rename contact"_s,
        u"Please enter new name for \"%1\""_s.arg(xmlEncoded(contact->displayName())), u"Rename"_s,
        [contact](const QString& text) { contact->setName(text); }, std::nullopt, QString());
    card->setPointAtView(cell());
    // The current name, all selected, so that typing replaces it.
    for (const auto& view : card->views()) {
        if (const auto input = std::dynamic_pointer_cast<ZVAlertInputView>(view)) {
            const QString name = contact->displayName();
            input->setText(name);
            input->setSelectedRange({0, static_cast<int>(name.size())});
        }
    }
    card->show();
}

void ZVContactMenu::deleteContact() {
    if (contact_) {
        contact_->hideContact();
    }
}
