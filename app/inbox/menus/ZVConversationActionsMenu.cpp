#include "app/inbox/menus/ZVConversationActionsMenu.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Label.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "app/inbox/cells/ZVInboxTableViewCell.h"
#include "app/inbox/cells/ZVMutePopover.h"
#include "app/inbox/screen/ZVInboxViewController.h"
#include "app/shell/ZVGlobals.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controllers/navigation/NavigationController.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

ZVConversationActionsMenu::~ZVConversationActionsMenu() {
    if (const auto session = holding_.lock()) {
        session->resumeLabelChanges();
    }
}

QString ZVConversationActionsMenu::deleteText(const Conversation& conversation) {
    return platform::format(
        u"Please confirm that you wish to delete the conversation \"%@\" from your conversation "
        u"list.\n\nThis will not delete the conversation for other members.",
        conversation.topicText());
}

void ZVConversationActionsMenu::menuWillAppear() {
    conversation_.reset();
    std::shared_ptr<Conversation> conversation;
    auto* row = dynamic_cast<ZVInboxTableViewCell*>(cell().get());
    if (row) {
        conversation = row->conversation();
    }
    if (!conversation) {
        return;
    }
    conversation_ = conversation;
    row->setKeepHighlight(true);
    const QString confirm = deleteText(*conversation);
    if (conversation->isArchived()) {
        addOption(u"unarchive"_s, u"Unarchive"_s, bind(&ZVConversationActionsMenu::unarchive));
        addOption(u"delete"_s, u"Delete"_s, bind(&ZVConversationActionsMenu::deleteConversation),
                  false, confirm);
        return;
    }
    addMainOptions(*conversation);
    if (const auto session = conversation->repositorySession()) {
        session->holdLabelChanges();
        holding_ = session;
    }
    ZVActionMenuHost::menuWillAppear();
}

void ZVConversationActionsMenu::addMainOptions(Conversation& conversation) {
    if (conversation.isUnread()) {
        addOption(u"markasread"_s, u"Mark read"_s, bind(&ZVConversationActionsMenu::markRead));
    } else {
        addOption(u"markunread"_s, u"Mark unread"_s, bind(&ZVConversationActionsMenu::markUnread));
    }
    addOption(u"archive"_s, u"Archive"_s, bind(&ZVConversationActionsMenu::archive));
    if (conversation.isStarred()) {
        addOption(u"star"_s, u"Unstar"_s, bind(&ZVConversationActionsMenu::unstar));
    } else {
        addOption(u"star"_s, u"Star"_s, bind(&ZVConversationActionsMenu::star));
    }
    // Muted in either direction: a negative interval counts too.
    const double snooze = conversation.snoozeInterval().value_or(0);
    if (std::abs(static_cast<long long>(snooze)) < 1) {
        addOption(u"mute"_s, u"Mute"_s, bind(&ZVConversationActionsMenu::mute));
    } else {
        addOption(u"unmute"_s, u"Unmute"_s, bind(&ZVConversationActionsMenu::unmute));
    }
    const auto session = conversation.repositorySession();
    if (const auto spamLabel = session ? session->labelByType(Label::TypeSpam) : nullptr) {
        if (conversation.hasUserLabel(spamLabel->labelId())) {
            addOption(u"spam"_s, u"Unmark spam"_s, bind(&ZVConversationActionsMenu::unspam));
        } else {
            addOption(u"spam"_s, u"Mark spam"_s, bind(&ZVConversationActionsMenu::spam), true);
        }
    }
    const QString confirm = deleteText(conversation);
    if (conversation.topicText().startsWith(kDemoPrefix)) {
        addOption(u"delete"_s, u"Delete"_s, bind(&ZVConversationActionsMenu::deleteConversation),
                  false, confirm);
        addOption(u"copy"_s, u"Clone"_s, bind(&ZVConversationActionsMenu::clone), true);
    } else {
        addOption(u"copy"_s, u"Clone"_s, bind(&ZVConversationActionsMenu::clone), true);
        addOption(u"delete"_s, u"Delete"_s, bind(&ZVConversationActionsMenu::deleteConversation),
                  true, confirm);
    }
}

void ZVConversationActionsMenu::menuWillDisappear() {
    if (auto* row = dynamic_cast<ZVInboxTableViewCell*>(cell().get())) {
        row->setKeepHighlight(false);
    }
    if (const auto session = holding_.lock()) {
        holding_.reset();
        session->resumeLabelChanges();
    }
    ZVActionMenuHost::menuWillDisappear();
}

void ZVConversationActionsMenu::reportAction(const QString& label) {
    ZVEventTracker::tracker().reportEventWithCategory(kTrackingCategory, kTrackingAction, label);
}

void ZVConversationActionsMenu::markRead() {
    if (const auto conversation = this->conversation()) {
        conversation->markRead();
    }
    reportAction(u"mark read"_s);
}

void ZVConversationActionsMenu::markUnread() {
    if (const auto conversation = this->conversation()) {
        conversation->markUnread();
        ZVGlobals* globals = ZVGlobals::globals();
        if (globals && globals->conversationId() == conversation->conversationId()) {
            globals->showConversationAsync(QString());
        }
    }
    reportAction(u"mark unread"_s);
}

void ZVConversationActionsMenu::archive() {
    if (const auto conversation = this->conversation()) {
        conversation->archive();
    }
    reportAction(u"archive"_s);
}

void ZVConversationActionsMenu::unarchive() {
    if (const auto conversation = this->conversation()) {
        conversation->unarchive();
    }
    reportAction(u"unarchive"_s);
}

void ZVConversationActionsMenu::star() {
    if (const auto conversation = this->conversation()) {
        conversation->starAfter(QString());
    }
    reportAction(u"star"_s);
}

void ZVConversationActionsMenu::unstar() {
    if (const auto conversation = this->conversation()) {
        conversation->unstar();
    }
    reportAction(u"unstar"_s);
}

void ZVConversationActionsMenu::mute() {
    const auto conversation = this->conversation();
    const auto row = cell();
    if (conversation && row) {
        ZVMutePopover::show(conversation, *row);
    }
}

void ZVConversationActionsMenu::unmute() {
    if (const auto conversation = this->conversation()) {
        conversation->setSnoozeInterval(0);
    }
}

void ZVConversationActionsMenu::spam() {
    if (const auto conversation = this->conversation()) {
        conversation->markSpam();
    }
}

void ZVConversationActionsMenu::unspam() {
    if (const auto conversation = this->conversation()) {
        conversation->unmarkSpam();
    }
}

// The copy is a new conversation: it opens as new conversations do.
void ZVConversationActionsMenu::clone() {
    const auto conversation = this->conversation();
    const auto session = conversation ? conversation->repositorySession() : nullptr;
    const auto copy = session ? session->cloneConversation(conversation) : nullptr;
    ZVGlobals* globals = ZVGlobals::globals();
    const auto navigation = globals ? globals->leftNavigationController() : nullptr;
    if (copy && navigation) {
        if (auto screen = ZVInboxViewController::newConversationScreen(
                copy, ZVInboxViewController::kNewConversationPage)) {
            navigation->pushViewController(screen, true);
        }
    }
    reportAction(u"clone"_s);
}

void ZVConversationActionsMenu::deleteConversation() {
    const auto conversation = this->conversation();
    const auto session = conversation ? conversation->repositorySession() : nullptr;
    if (session) {
        const QString id = conversation->conversationId();
        // The account's own deleteConversation removes it locally; this one asks the service.
        ZVApiSession& account = *session;
        account.deleteConversation(id, ZVApiSession::ActionBlock(), [id](const ZVErrorPtr& error) {
            ZVLogError(u"ZVConversationActionsMenu: deleting %@ failed: %@", id, error);
        });
    }
    reportAction(u"delete"_s);
}
