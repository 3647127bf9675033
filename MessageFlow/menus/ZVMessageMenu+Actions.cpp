#include "MessageEditor/ZVClipboardMessage.h"
#include "MessageFlow/menus/ZVMessageMenu.h"
#include "MessageFlow/menus/ZVShowEmailViewController.h"
#include "MessageFlow/pages/ZVConversationPageScreen.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "app/inbox/screen/ZVForwardViewController.h"
#include "app/shell/ZVAppServices.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/table/TableViewCell.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/screens/ZVScreenCoordinator.h"

using namespace Qt::Literals::StringLiterals;

namespace {

std::shared_ptr<ZVConversationPageScreen> messageMenuShowingPage() {
    return std::dynamic_pointer_cast<ZVConversationPageScreen>(
        ZVScreenCoordinator::shared().showingPage());
}

std::shared_ptr<Contact> messageMenuPoster(const Message& message) {
    const auto session = std::dynamic_pointer_cast<ZVRepositorySession>(message.session());
    return session ? session->contactFromId(message.accountId()) : nullptr;
}

// The roster's order first, then any other id (a former member) in a fixed order.
QStringList messageMenuOrderedIds(Conversation& conversation, QSet<QString> ids) {
    QStringList ordered;
    if (const auto& roster = conversation.sortedMembers()) {
        for (const auto& member : *roster) {
            if (member && ids.remove(member->accountId())) {
                ordered.append(member->accountId());
            }
        }
    }
    QStringList rest(ids.cbegin(), ids.cend());
    rest.sort();
    return ordered + rest;
}

}  // namespace

void ZVMessageMenu::reportAction(const QString& label) {
    ZVEventTracker::tracker().reportEventWithCategory(kTrackingCategory, kTrackingAction, label);
}

void ZVMessageMenu::showConversationAsync(const QString& conversationId) {
    conversationTimer_ =
        platform::Scheduler::main().after(kConversationChangeDelay, [conversationId] {
            ZVScreenCoordinator::shared().setConversationId(conversationId, true);
        });
}

std::shared_ptr<Message> ZVMessageMenu::messageAgain() {
    const auto conversation = selectorConversation_.lock();
    const auto found = conversation ? conversation->messageByNumber(messageNr_, true) : nullptr;
    if (!found || found->isDeleted() || found->isDeletedMessage()) {
        return nullptr;
    }
    return found;
}

// --- actions on the pressed message ---

void ZVMessageMenu::copyMessage() {
    const auto shown = message();
    if (!shown) {
        return;
    }
    ZVClipboardMessage(shown).copyToClipboard();
    reportAction(u"copy"_s);
}

void ZVMessageMenu::copyFiles() {
    const auto shown = message();
    if (!shown) {
        return;
    }
    ZVClipboardMessage(QString(),
                       shown->representation()->files().value_or(ZVClipboardMessage::Files()))
        .copyToClipboard();
}

void ZVMessageMenu::pin() {
    const auto shown = message();
    if (!shown) {
        return;
    }
    shown->pin();
    shown->representation()->setExpanded(true);
    reportAction(u"pin"_s);
}

void ZVMessageMenu::unpin() {
    const auto shown = message();
    if (!shown) {
        return;
    }
    shown->unpin();
    reportAction(u"unpin"_s);
}

void ZVMessageMenu::markUnread() {
    const auto shown = message();
    const auto conversation = shown ? shown->conversation() : nullptr;
    if (!conversation) {
        return;
    }
    conversation->markUnreadUntil(shown->messageNr());
    showConversationAsync(QString());
    reportAction(u"mark unread"_s);
}

void ZVMessageMenu::deleteMessage() {
    const auto shown = message();
    if (!shown) {
        return;
    }
    shown->deleteMessage();
    reportAction(u"delete"_s);
}

void ZVMessageMenu::edit() {
    const auto shown = message();
    if (const auto page = messageMenuShowingPage(); shown && page) {
        page->editMessage(shown);
    }
}

void ZVMessageMenu::quote() {
    const auto shown = message();
    if (!shown) {
        return;
    }
    if (const auto page = messageMenuShowingPage()) {
        page->quoteMessage(shown);
    }
    reportAction(u"quote"_s);
}

void ZVMessageMenu::selectMessage() {
    const auto shown = message();
    if (const auto page = messageMenuShowingPage(); shown && page) {
        page->selectMessage(shown);
    }
}

void ZVMessageMenu::removePreview() {
    if (const auto shown = message()) {
        shown->disableUrlPreviews();
    }
}

void ZVMessageMenu::task() {
    if (const auto shown = message()) {
        shown->setTags(QList<int>{Message::TagTodo}, QList<int>{});
        shown->representation()->setExpanded(true);
    }
}

void ZVMessageMenu::untask() {
    if (const auto shown = message()) {
        shown->setTags(QList<int>{}, QList<int>{Message::TagTodo, Message::TagDone});
    }
}

void ZVMessageMenu::archive() {
    if (const auto shown = message()) {
        shown->setTags(QList<int>{Message::TagArchived}, QList<int>{});
    }
}

void ZVMessageMenu::assignToMe() {
    const auto shown = message();
    const auto session = shown ? shown->session() : nullptr;
    const auto profile = session ? session->profile() : nullptr;
    if (!profile || profile->contactId().isEmpty()) {
        return;
    }
    const QString self = profile->contactId();
    const auto& assignees = shown->assignees();
    if (assignees && assignees->contains(self)) {
        return;
    }
    QStringList ids = shown->assigneeIdsText().split(u' ', Qt::SkipEmptyParts);
    ids.append(self);
    shown->setAssignees(ids);
}

void ZVMessageMenu::showEmail() {
    const auto shown = message();
    const auto navigation = ZVScreenCoordinator::shared().rightNavigationController();
    if (shown && navigation) {
        navigation->pushViewController(std::make_shared<ZVShowEmailViewController>(shown), true);
    }
}

void ZVMessageMenu::forwardMessage() {
    const auto shown = message();
    if (!shown) {
        return;
    }
    const std::weak_ptr<Conversation> conversation = shown->conversation();
    const std::int64_t number = shown->messageNr();
    const auto weak = weakMenu();
    forwardTimer_ = platform::Scheduler::main().after(kForwardDelay, [weak, conversation, number] {
        if (const auto self = weak.lock()) {
            self->doForward(conversation, number);
        }
    });
}

void ZVMessageMenu::doForward(const std::weak_ptr<Conversation>& conversation,
                              std::int64_t messageNr) {
    const auto owner = conversation.lock();
    const auto found = owner ? owner->messageByNumber(messageNr, true) : nullptr;
    const auto navigation = ZVScreenCoordinator::shared().rightNavigationController();
    if (!found || found->isDeleted() || found->isDeletedMessage() || !navigation) {
        return;
    }
    const auto picker = ZVForwardViewController::create(found);
    navigation->presentViewController(std::make_shared<platform::NavigationController>(picker),
                                      true);
}

void ZVMessageMenu::dialog() {
    const auto shown = message();
    const auto contact = shown ? messageMenuPoster(*shown) : nullptr;
    if (!contact) {
        return;
    }
    // Without a one-to-one conversation yet, its address opens one, as a picked contact does.
    const QString target =
        contact->dialogId().isEmpty() ? contact->friendlyEmail() : contact->dialogId();
    if (!target.isEmpty()) {
        showConversationAsync(target);
    }
}

void ZVMessageMenu::profile() {
    const auto shown = message();
    if (const auto contact = shown ? messageMenuPoster(*shown) : nullptr) {
        ZVAppServices::shared().contactProfile(contact, cell().get());
    }
}

// --- member selectors ---

void ZVMessageMenu::assign() {
    const auto shown = message();
    const auto conversation = shown ? shown->conversation() : nullptr;
    if (!conversation) {
        return;
    }
    QSet<QString> members;
    if (const auto& roster = conversation->sortedMembers()) {
        for (const auto& member : *roster) {
            if (member && !member->accountId().isEmpty()) {
                members.insert(member->accountId());
            }
        }
    }
    const QSet<QString> assignees = shown->assignees().value_or(QSet<QString>());
    members.unite(assignees);
    messageNr_ = shown->messageNr();
    selectorConversation_ = conversation;
    ZVMemberSelectorRequest request;
    request.title = u"Assign task"_s;
    request.confirmTitle = u"Assign"_s;
    request.tag = kAssignSelectorTag;
    request.pointAt = std::static_pointer_cast<platform::View>(cell());
    const auto weak = weakMenu();
    ZVAppServices::shared().memberSelector(
        conversation, members, assignees,
        [weak](std::optional<QSet<QString>> selected) {
            if (const auto self = weak.lock()) {
                self->completeAssign(selected);
            }
        },
        request);
}

void ZVMessageMenu::completeAssign(const std::optional<QSet<QString>>& selected) {
    if (!selected) {
        return;
    }
    const auto found = messageAgain();
    const auto conversation = found ? found->conversation() : nullptr;
    if (!conversation) {
        return;
    }
    message_ = found;
    found->setAssignees(messageMenuOrderedIds(*conversation, *selected));
    reportAction(u"assign"_s);
}

void ZVMessageMenu::disclose() {
    const auto shown = message();
    const auto conversation = shown ? shown->conversation() : nullptr;
    if (!conversation) {
        return;
    }
    QSet<QString> laterJoiners;
    if (const auto& roster = conversation->sortedMembers()) {
        for (const auto& member : *roster) {
            if (member && member->joinMessageNr() > shown->messageNr()) {
                laterJoiners.insert(member->accountId());
            }
        }
    }
    messageNr_ = shown->messageNr();
    selectorConversation_ = conversation;
    ZVMemberSelectorRequest request;
    request.title = u"Disclose history"_s;
    request.message = u"Disclose conversation history from selected message onwards to:"_s;
    request.confirmTitle = u"Disclose"_s;
    request.requireSelection = true;
    request.tag = kDiscloseSelectorTag;
    request.pointAt = std::static_pointer_cast<platform::View>(cell());
    const auto weak = weakMenu();
    ZVAppServices::shared().memberSelector(
        conversation, laterJoiners, {},
        [weak](std::optional<QSet<QString>> selected) {
            if (const auto self = weak.lock()) {
                self->completeDisclose(selected);
            }
        },
        request);
}

void ZVMessageMenu::completeDisclose(const std::optional<QSet<QString>>& selected) {
    const auto conversation = selectorConversation_.lock();
    if (!selected || !conversation) {
        return;
    }
    QStringList emails;
    if (const auto& roster = conversation->sortedMembers()) {
        for (const auto& member : *roster) {
            if (member && selected->contains(member->accountId()) && !member->email().isEmpty()) {
                emails.append(member->email());
            }
        }
    }
    const auto found = emails.isEmpty() ? nullptr : messageAgain();
    const auto session = found ? found->session() : nullptr;
    if (!session) {
        return;
    }
    message_ = found;
    session->discloseHistoryInConversation(conversation->conversationId(), messageNr_, emails, {},
                                           [](const ZVErrorPtr& error) {
                                               if (error) {
                                                   ZVAlertView::showError(*error);
                                               }
                                           });
    reportAction(u"disclose"_s);
}
