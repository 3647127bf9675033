#include "app/shell/ZVGlobals.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/media/ZVURLLoader.h"
#include "platform/foundation/SystemLog.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/SplitViewController.h"
#include "platform/ui/controllers/navigation/EdgePanGestureRecognizer.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controllers/navigation/NavigationItem.h"
#include "toolkit/screens/ZVNavigationController.h"

using namespace Qt::StringLiterals;

QString ZVGlobals::conversationId() const {
    return pages_ ? pages_->conversationId() : QString();
}

void ZVGlobals::setConversationId(const QString& conversationId) {
    if (conversationId.isEmpty()) {
        setConversationId(std::nullopt, true);
    } else {
        setConversationId(ZVOpenRequest{conversationId, {}, {}}, true);
    }
}

void ZVGlobals::showConversationAsync(const QString& conversationId) {
    timers_.after(kDeferredChangeDelay,
                  [this, conversationId] { setConversationId(conversationId); });
}

void ZVGlobals::setConversationId(const std::optional<ZVOpenRequest>& request, bool animated) {
    const QString requested = request ? request->conversationId : QString();
    // The same conversation again changes nothing, unless the request asks for more than the id.
    if (requested == conversationId() && (!request || (!request->page && !request->messageNr))) {
        return;
    }
    if (pageIsAppearing_) {
        pendingChange_ = request;
        pendingCloseFromPop_ = false;
        return;
    }
    if (request && !request->conversationId.isEmpty()) {
        openConversation(*request);
    } else if (pages_) {
        closeConversation(animated);
    }
}

void ZVGlobals::openConversation(const ZVOpenRequest& request) {
    if (!session_ || !right_) {
        return;
    }
    const std::shared_ptr<Conversation> conversation =
        session_->conversationFromId(request.conversationId);
    if (!conversation) {
        return;
    }
    changeValueForKey(QString(kConversationIdKey), [&] {
        if (right_->viewControllers().size() >= 2) {
            right_->popToRootViewControllerAnimated(false);
        }
        resetPages();
        pages_ = ZVAppServices::shared().conversationPages(conversation, request, right_);
        if (!pages_) {
            platform::systemLog(u"Failed to initialize pages"_s);
        }
    });
    timers_.after(kSplitViewDelay, [this] { updateSplitView(); });
}

void ZVGlobals::closeConversation(bool animated) {
    changeValueForKey(QString(kConversationIdKey), [&] {
        if (right_ && right_->viewControllers().size() > 1) {
            if (split_) {
                // The tablet's conversation side fades back to its empty background.
                if (const auto view = right_->viewIfLoaded()) {
                    platform::ViewAnimation::transition(
                        *view, kCloseCrossDissolve,
                        platform::ViewAnimation::TransitionCrossDissolve,
                        [this] { right_->popToRootViewControllerAnimated(false); });
                } else {
                    right_->popToRootViewControllerAnimated(false);
                }
            } else {
                right_->popToRootViewControllerAnimated(animated);
            }
        }
        resetPages();
    });
    ZVURLLoader::loader().resetCache();
    ZVAppServices::shared().clearFileViews();
    timers_.after(kSplitViewDelay, [this] { updateSplitView(); });
}

void ZVGlobals::resetPages() {
    if (auto pages = std::move(pages_)) {
        pages->reset();
    }
}

void ZVGlobals::navigateToInbox() {
    resetPages();
    if (right_) {
        right_->popToRootViewControllerAnimated(false);
    }
}

void ZVGlobals::navigateBack() {
    if (right_) {
        right_->popViewControllerAnimated(true);
    }
}

void ZVGlobals::willShowViewController(platform::NavigationController& navigation,
                                       platform::ViewController& shown, bool animated) {
    pageIsAppearing_ = animated;
    ZVAppServices::shared().cancelModalDownloads();
    if (pages_) {
        pages_->hideSideMenus();
        pages_->notifyViewControllerChange(shown);
    }
    if (split_) {
        shown.navigationItem().setLeftBarButtonItem(split_->displayModeButtonItem());
    }
    // Back at the first screen: the conversation closes once the animation has ended.
    if (!navigation.viewControllers().empty() &&
        navigation.viewControllers().front().get() == &shown && animated) {
        setConversationId(std::nullopt, false);
        pendingCloseFromPop_ = pendingChange_.has_value();
    }
    updateUnreadCount();
}

void ZVGlobals::didShowViewController(platform::NavigationController& navigation,
                                      platform::ViewController&, bool) {
    if (right_) {
        right_->notifyAnimationEnded();
    }
    pageIsAppearing_ = false;
    runPendingChange();
    if (const auto& pop = navigation.interactivePopGestureRecognizer()) {
        pop->setEnabled(navigation.viewControllers().size() > 1);
    }
    updateUnreadCount();
}

void ZVGlobals::didCancelShowViewController(platform::NavigationController&) {
    // The screen that was on top stays, and with it its conversation; anything else asked for
    // during the gesture still runs.
    pageIsAppearing_ = false;
    if (pendingCloseFromPop_) {
        pendingChange_.reset();
        pendingCloseFromPop_ = false;
    }
    runPendingChange();
}

void ZVGlobals::runPendingChange() {
    if (!pendingChange_) {
        return;
    }
    const std::optional<ZVOpenRequest> request = *pendingChange_;
    pendingChange_.reset();
    pendingCloseFromPop_ = false;
    timers_.after(kDeferredChangeDelay, [this, request] { setConversationId(request, true); });
}
