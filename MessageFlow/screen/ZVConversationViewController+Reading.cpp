// The reading position, scrolling and read tracking of the messages page.
#include "MessageFlow/markers/ZVHorizonIndicators.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "MessageFlow/screen/ZVConversationComposer.h"
#include "MessageFlow/screen/ZVConversationViewController.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Button.h"
#include "toolkit/tables/ZVTableView.h"

#include <algorithm>
#include <limits>

namespace {

// The row index of the first message past the read horizon, as the row model places its
// new-messages row: a read message that is not loaded still leaves the next loaded one unread.
qsizetype firstUnreadRowIndex(const ZVMessageArray& list, std::int64_t readNr) {
    const auto& rows = list.messages();
    const auto at = std::upper_bound(rows.begin(), rows.end(), readNr,
                                     [](std::int64_t nr, const std::shared_ptr<Message>& message) {
                                         return nr < message->messageNr();
                                     });
    return at - rows.begin();
}

}  // namespace

// --- reloading ---

void ZVConversationViewController::reloadTableData() {
    if (!viewHasAppeared_ || !cells_ || !table()) {
        return;
    }
    const auto& table = this->table();
    const auto& list = conversation_->messages();
    const qsizetype loaded = list ? list->count() : 0;
    if (animatingScroll() && loaded == table->numberOfRowsInSection(0)) {
        reloadPending_ = true;
        return;
    }

    const qreal target = scrollTarget();
    const qreal bottom =
        table->contentSize().height() - table->bounds().height() + table->contentInset().bottom;
    bool atBottom = target >= bottom - composerHeight();

    updateWriters();
    if (loaded > 0 && userProfile_ && userProfile_->isSelf(list->messages().back()->accountId())) {
        cells_->setReadMessageNr(0);
    }
    cells_->reloadData();

    if (conversation_->isUnread() && list) {
        const qsizetype first = firstUnreadRowIndex(*list, conversation_->readMessageNumber());
        qreal unreadHeight = 0;
        for (qsizetype row = first; row < loaded; ++row) {
            unreadHeight += cells_->heightForRowAtIndex(row);
        }
        if (unreadHeight > kUnreadShare * table->bounds().height()) {
            updateOwnHorizon();
            cells_->reloadData();
            atBottom = false;
        }
    }

    if (!atBottom || cells_->menuShowing()) {
        cells_->scrollToAnchorMessage();
        updateBottomView();
    } else {
        const qreal newBottom = table->bottomScrollPos();
        const std::int64_t lastNr = loaded > 0 ? list->messages().back()->messageNr() : 0;
        if (std::abs(newBottom - target) < table->bounds().height() &&
            lastNr != lastVisibleMessageNr_) {
            setScrollPos(newBottom, true);
        } else {
            setScrollPos(newBottom, animatingScroll());
        }
    }
    if (table->backgroundView()) {
        table->doSetContentInset(table->contentInset());
    }
    horizonIndicators_->updatePositions();
}

void ZVConversationViewController::endScrollAnimation() {
    ZVTableAndBottomViewController::endScrollAnimation();
    if (reloadPending_) {
        reloadPending_ = false;
        reloadTableData();
    }
}

// --- scrolling ---

void ZVConversationViewController::scrollViewDidScroll(platform::ScrollView& scrollView) {
    ZVTableAndBottomViewController::scrollViewDidScroll(scrollView);
    if (!dragging_ && !animatingScroll()) {
        const auto weak = weakPage();
        scrollEvaluationTimer_ = platform::Scheduler::main().after(kDeferral, [weak] {
            if (const auto screen = weak.lock()) {
                screen->viewWasScrolled();
            }
        });
    }
    dragging_ = true;
}

void ZVConversationViewController::scrollViewWillBeginDragging(platform::ScrollView& scrollView) {
    ZVTableAndBottomViewController::scrollViewWillBeginDragging(scrollView);
    // Nothing is read while a finger moves the rows.
    consumeMessagesTimer_.cancel();
}

void ZVConversationViewController::scrollViewDidEndDragging(platform::ScrollView& scrollView,
                                                            bool willDecelerate) {
    ZVTableAndBottomViewController::scrollViewDidEndDragging(scrollView, willDecelerate);
    resetConsumeMessagesTimer();
    if (!willDecelerate) {
        viewWasScrolled();
    }
}

void ZVConversationViewController::scrollViewDidEndDecelerating(platform::ScrollView& scrollView) {
    ZVTableAndBottomViewController::scrollViewDidEndDecelerating(scrollView);
    viewWasScrolled();
    resetConsumeMessagesTimer();
}

void ZVConversationViewController::viewWasScrolled() {
    dragging_ = false;
    scrollEvaluationTimer_.cancel();
    if (!cells_ || !table()) {
        return;
    }
    updateBottomView();
    cells_->saveAnchorMessage();

    const auto& table = this->table();
    const qreal offset = table->contentOffset().y();
    const qreal toBottom = table->bottomScrollPos() - offset;
    setScrollBottomButtonVisible(toBottom > composerHeight());

    const auto last = lastVisibleMessageCellIncludePending(true);
    const auto message = last ? last->message() : nullptr;
    lastVisibleMessageNr_ = message ? message->messageNr() : 0;

    if (offset < table->bounds().height() && !conversation_->isLoading()) {
        const auto weak = weakPage();
        loadMoreTimer_ = platform::Scheduler::main().after(kDeferral, [weak] {
            if (const auto screen = weak.lock()) {
                screen->loadMore();
            }
        });
    }
    // Scrolling up by more than a screen closes the keyboard.
    if (keyboardHeight() > 0 && toBottom > table->bounds().height() - keyboardHeight() &&
        messageEditor_) {
        messageEditor_->resignComposer();
    }
}

void ZVConversationViewController::loadMore() {
    if (dragging_ || !conversation_) {
        return;
    }
    conversation_->loadMoreMessages();
}

void ZVConversationViewController::setScrollBottomButtonVisible(bool visible) {
    if (visible == scrollToBottomButtonVisible_ || !scrollToBottomButton_) {
        return;
    }
    scrollToBottomButtonVisible_ = visible;
    const auto button = scrollToBottomButton_;
    if (visible && !button->superview()) {
        button->setAlpha(0);
        view()->addSubview(button);
        viewWillLayoutSubviews();
    }
    const auto weak = weakPage();
    // The button's layer keeps the animation until it ends: a strong hold on the button from its
    // completion would keep both alive when it never does (the screen gone mid-fade).
    const std::weak_ptr<platform::Button> weakButton = button;
    platform::ViewAnimation::animate(
        kAnimationDuration, [button, visible] { button->setAlpha(visible ? 1 : 0); },
        [weak, weakButton](bool) {
            const auto screen = weak.lock();
            const auto faded = weakButton.lock();
            if (screen && faded && !screen->scrollToBottomButtonVisible_) {
                faded->removeFromSuperview();
            }
        });
}

void ZVConversationViewController::scrollToBottom() {
    if (!conversation_) {
        return;
    }
    if (conversation_->isUnread() && lastVisibleMessageNr_ < conversation_->readMessageNumber()) {
        scrollToUnreadAnimated(false);
        return;
    }
    scrollToBottomAnimated(false);
    conversation_->markRead();
}

void ZVConversationViewController::scrollToUnreadAnimated(bool animated) {
    const auto& list = conversation_ ? conversation_->messages() : nullptr;
    if (!list || list->isEmpty() || !cells_) {
        return;
    }
    if (conversation_->unreadCount().value_or(0) != 0) {
        const std::int64_t lastNr = list->messages().back()->messageNr();
        const std::int64_t nr = std::min(conversation_->inboxMessageNr().value_or(lastNr), lastNr);
        cells_->scrollToMessage(nr, animated, kUnreadDistance);
        updateBottomView();
        return;
    }
    setScrollPos(table()->bottomScrollPos(), animated && view()->superview() != nullptr);
}

// --- read tracking ---

void ZVConversationViewController::resetConsumeMessagesTimer() {
    const auto* navigation = navigationController();
    if (!navigation || navigation->topViewController() != this) {
        return;
    }
    const auto weak = weakPage();
    // Default mode: a finger holding the table holds the timer too.
    consumeMessagesTimer_ = platform::Scheduler::main().after(
        kConsumeDelay,
        [weak] {
            if (const auto screen = weak.lock()) {
                screen->consumeMessages();
            }
        },
        platform::RunLoopMode::Default);
}

void ZVConversationViewController::consumeMessages() {
    if (!ZVApi::api().backgroundMode() && conversation_) {
        if (const auto cell = lastVisibleMessageCellIncludePending(false)) {
            const auto message = cell->message();
            if (message && message->messageNr() > conversation_->readMessageNumber()) {
                conversation_->markReadUntil(message->messageNr());
            }
        }
    }
    consumeMessagesTimer_.cancel();
}

std::shared_ptr<ZVMessageCell> ZVConversationViewController::lastVisibleMessageCellIncludePending(
    bool includePending) {
    const auto& table = this->table();
    if (!table) {
        return nullptr;
    }
    auto visible = table->visibleCells();
    std::sort(visible.begin(), visible.end(),
              [](const auto& a, const auto& b) { return a->frame().top() < b->frame().top(); });
    const qreal visibleBottom = table->contentOffset().y() + table->bounds().height();
    for (auto it = visible.rbegin(); it != visible.rend(); ++it) {
        auto cell = std::dynamic_pointer_cast<ZVMessageCell>(*it);
        const auto message = cell ? cell->message() : nullptr;
        if (!message || (!includePending && message->isPending())) {
            continue;
        }
        const bool email =
            message->isOfType(kEmailMessageType) || message->isOfType(kEmailReplyMessageType);
        const qreal needed = email ? kEmailNeededHeight : cell->frame().height();
        if (cell->frame().top() + needed - kVisibilitySlack <= visibleBottom) {
            return cell;
        }
    }
    return nullptr;
}

double ZVConversationViewController::timeSinceHorizonUpdate() const {
    if (!horizonUpdateTime_) {
        return std::numeric_limits<double>::infinity();
    }
    return platform::Scheduler::main().now() - *horizonUpdateTime_;
}

void ZVConversationViewController::updateOwnHorizon() {
    if (!conversation_ || !cells_ || timeSinceHorizonUpdate() < kHorizonHold) {
        return;
    }
    cells_->setReadMessageNr(conversation_->isUnread() ? conversation_->readMessageNumber() : 0);
    horizonUpdateTime_ = platform::Scheduler::main().now();
}

void ZVConversationViewController::notifyAppActivation() {
    if (timeSinceHorizonUpdate() < kHorizonHold) {
        return;
    }
    updateOwnHorizon();
    reloadTableData();
    resetConsumeMessagesTimer();
}
