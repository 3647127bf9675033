#include "accounts/people/ZVMemberMenu.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/markup/XMLEncoding.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Team.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "accounts/people/ZVContactAvatarView.h"
#include "accounts/people/ZVContactProfileViewController.h"
#include "accounts/people/ZVLeaveConversationView.h"
#include "accounts/people/ZVMemberCell.h"
#include "accounts/people/ZVTeamCell.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/screens/ZVScreenCoordinator.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kStandardUiFlag = u"standard_ui_mobile"_s;
const QString kManagedMessage =
    u"Only administrators can change the membership of managed conversations."_s;

// An alert with one "Ok" button.
void showMemberMenuAlert(const QString& title, const QString& message) {
    const auto alert = ZVAlertView::make(title, message, {}, QString(), {u"Ok"_s});
    alert->show();
}

}  // namespace

ZVMemberMenu::ZVMemberMenu(const std::shared_ptr<platform::TableView>& tableView,
                           const std::shared_ptr<Conversation>& conversation)
    : ZVActionMenuHost(tableView), conversation_(conversation) {}

ZVMemberMenu::~ZVMemberMenu() = default;

std::shared_ptr<platform::View> ZVMemberMenu::pointAtView() {
    const auto conversation = conversation_.lock();
    const auto session = conversation ? conversation->session() : nullptr;
    const auto& profile = session ? session->profile() : nullptr;
    if (profile && profile->isClientFlagSet(kStandardUiFlag)) {
        return ZVActionMenuHost::pointAtView();
    }
    return nullptr;
}

void ZVMemberMenu::menuWillAppear() {
    member_.reset();
    team_.reset();
    const auto conversation = conversation_.lock();
    const auto row = cell();
    if (!conversation || !row) {
        return;
    }
    if (const auto* teamRow = dynamic_cast<ZVTeamCell*>(row.get())) {
        team_ = teamRow->team();
        if (team_) {
            addOption(
                u"removeperson"_s, u"Remove team"_s, bind(&ZVMemberMenu::removeTeam), false,
                u"Remove team <b>%1</b> from conversation?"_s.arg(xmlEncoded(team_->teamName())));
        }
        return;
    }
    const auto* memberRow = dynamic_cast<ZVMemberCell*>(row.get());
    member_ = memberRow ? memberRow->member() : nullptr;
    if (!member_) {
        return;
    }
    if (const auto& contact = member_->contact()) {
        menu()->addView(platform::View::make<ZVContactAvatarView>(contact));
    }
    const QString name = xmlEncoded(member_->displayName());
    if (member_->isLocalContact()) {
        addOption(u"removeperson"_s, u"Leave conversation"_s, bind(&ZVMemberMenu::leave));
    } else {
        addOption(u"profile"_s, u"View profile"_s, bind(&ZVMemberMenu::profile));
        if (conversation->dialogPartner().isEmpty()) {
            addOption(u"chat"_s, u"1:1 conversation"_s, bind(&ZVMemberMenu::dialog));
            addOption(
                u"removeperson"_s, u"Remove from conversation"_s, bind(&ZVMemberMenu::kick), false,
                member_->isTeamMember()
                    ? QString()
                    : u"Please confirm that you wish to remove %1 from this conversation."_s.arg(
                          name));
        }
        if (member_->joinMessageNr() > conversation->joinMessageNr().value_or(0)) {
            addOption(u"disclose"_s, u"Disclose history"_s, bind(&ZVMemberMenu::disclose), false,
                      u"Disclose all previous conversation history to %1?"_s.arg(name));
        }
    }
    ZVActionMenuHost::menuWillAppear();
}

void ZVMemberMenu::menuWillDisappear() {
    ZVActionMenuHost::menuWillDisappear();
}

void ZVMemberMenu::profile() {
    if (member_ && member_->contact()) {
        ZVContactProfileViewController::showForContact(member_->contact(), cell().get());
    }
}

void ZVMemberMenu::dialog() {
    if (!member_) {
        return;
    }
    const QString email = member_->email();
    timers_.after(kDialogDelay,
                  [email] { ZVScreenCoordinator::shared().setConversationId(email, true); });
}

void ZVMemberMenu::kick() {
    const auto conversation = conversation_.lock();
    if (!conversation || !member_) {
        return;
    }
    if (member_->isTeamMember()) {
        ZVAlertView::showMessage(
            u"Team members cannot be removed individually. You can remove "
            u"the whole team from the conversation."_s,
            u"Cannot remove member"_s);
        return;
    }
    if (conversation->isManaged()) {
        ZVAlertView::showMessage(kManagedMessage, u"Cannot remove members"_s);
        return;
    }
    ZVEventTracker::tracker().reportEventWithCategory(kTrackingCategory, kTrackingAction,
                                                      u"remove member"_s);
    conversation->removeMembers({member_->accountId()}, nullptr, nullptr);
}

void ZVMemberMenu::removeTeam() {
    const auto conversation = conversation_.lock();
    if (conversation && team_) {
        conversation->removeTeam(team_->teamId(), nullptr, nullptr);
    }
}

void ZVMemberMenu::disclose() {
    const auto conversation = conversation_.lock();
    const auto session = conversation ? conversation->session() : nullptr;
    if (!session || !member_) {
        return;
    }
    ZVEventTracker::tracker().reportEventWithCategory(kTrackingCategory, kTrackingAction,
                                                      u"disclose all"_s);
    session->discloseHistoryInConversation(
        conversation->conversationId(), {member_->email()},
        [] { showMemberMenuAlert(u"Disclose history"_s, u"Conversation history disclosed"_s); },
        [](const ZVErrorPtr& error) {
            showMemberMenuAlert(u"Disclose failed"_s,
                                error ? error->localizedDescription() : QString());
        });
}

void ZVMemberMenu::leave() {
    if (const auto conversation = conversation_.lock()) {
        ZVLeaveConversationView::make(conversation)->show();
    }
}
