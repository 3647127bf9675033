#include "accounts/people/StartUp.h"

#include "MessageFlow/pages/ZVConversationPageRegistry.h"
#include "MessageFlow/pages/ZVLeaveConversationCard.h"
#include "accounts/people/ZVContactAvatarView.h"
#include "accounts/people/ZVContactProfileViewController.h"
#include "accounts/people/ZVLeaveConversationView.h"
#include "accounts/people/ZVMemberSelector.h"
#include "accounts/people/ZVMembersViewController.h"
#include "app/shell/ZVAppServices.h"
#include "toolkit/alerts/ZVAlertViewDelegate.h"

#include <optional>

namespace {

// Hands the selector's ticks to the caller once, when the card is dismissed; it lives as long as
// the card.
class ZVMemberSelectorCompletion : public ZVAlertViewDelegate {
public:
    explicit ZVMemberSelectorCompletion(std::function<void(std::optional<QSet<QString>>)> done)
        : done_(std::move(done)) {}
    void alertView(ZVAlertView& alertView, int buttonIndex) override {
        auto done = std::move(done_);
        done_ = nullptr;
        if (!done) {
            return;
        }
        const auto* selector = dynamic_cast<ZVMemberSelector*>(&alertView);
        if (buttonIndex == ZVMemberSelector::kConfirmIndex && selector) {
            done(selector->selectedMembers());
        } else {
            done(std::nullopt);
        }
    }

private:
    std::function<void(std::optional<QSet<QString>>)> done_;
};

}  // namespace

void ZVStartUpPeople() {
    ZVConversationPageRegistry::shared().pages[ZVMembersViewController::kPage] =
        [](const std::shared_ptr<Conversation>& conversation, int page) {
            return std::static_pointer_cast<ZVConversationPageScreen>(
                ZVMembersViewController::make(conversation, page));
        };
    // The settings page's "Leave conversation" asks as the member menu's "Leave" does.
    ZVLeaveConversationCard::setPresenter(
        [](const std::shared_ptr<Conversation>& conversation, platform::View*) {
            ZVLeaveConversationView::make(conversation)->show();
        });
    auto& services = ZVAppServices::shared();
    services.showContactProfile = [](const std::shared_ptr<Contact>& contact,
                                     platform::View* anchor) {
        ZVContactProfileViewController::showForContact(contact, anchor);
    };
    services.makeContactHeader = [](const std::shared_ptr<Contact>& contact) {
        return contact ? std::static_pointer_cast<platform::View>(
                             platform::View::make<ZVContactAvatarView>(contact))
                       : nullptr;
    };
    services.showMemberSelector = [](const std::shared_ptr<Conversation>& conversation,
                                     const QSet<QString>& shown, const QSet<QString>& selected,
                                     std::function<void(std::optional<QSet<QString>>)> done,
                                     const ZVMemberSelectorRequest& request) {
        const auto selector = ZVMemberSelector::make(conversation);
        auto completion = std::make_shared<ZVMemberSelectorCompletion>(std::move(done));
        // The card holds its completion for as long as it lives.
        selector->setOnReplaced([completion](ZVAlertView&) {});
        selector->setDelegate(completion);
        selector->setTitle(request.title);
        selector->setMessage(request.message);
        selector->setButtons({QStringLiteral("Cancel"), request.confirmTitle});
        selector->setDefaultButtonIndex(ZVMemberSelector::kConfirmIndex);
        selector->setRequireSelection(request.requireSelection);
        selector->setTag(request.tag);
        if (const auto at = request.pointAt.lock()) {
            selector->setPointAtView(at);
        }
        selector->setShownMembers(shown);
        selector->setSelectedMembers(selected);
        selector->show();
    };
}
