#include "accounts/pages/ZVContainerViewController.h"

#include "accounts/pages/ZVContainerView.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColors.h"

ZVContainerViewController::ZVContainerViewController() = default;

ZVContainerViewController::~ZVContainerViewController() = default;

void ZVContainerViewController::viewDidLoad() {
    ZVViewController::viewDidLoad();
    viewIfLoaded()->setBackgroundColor(platform::resolveColor(ZVColors::background()));
}

void ZVContainerViewController::frame(ZVContainerView& page) {
    page.setFrame(view()->bounds());
    page.placeChildren();
}

void ZVContainerViewController::setPrimaryPage(const std::shared_ptr<ZVContainerView>& page) {
    if (primaryPage_) {
        primaryPage_->removeFromSuperview();
    }
    primaryPage_ = page;
    if (!page) {
        return;
    }
    page->setViewController(weak_from_this());
    page->setBackgroundColor(view()->backgroundColor());
    view()->addSubview(page);
    setTitle(page->title());
    view()->setNeedsLayout();
}

void ZVContainerViewController::setSecondaryPage(const std::shared_ptr<ZVContainerView>& page) {
    if (!page) {
        const auto leaving = secondaryPage_;
        if (!leaving) {
            return;
        }
        secondaryPage_.reset();
        const auto primary = primaryPage_;
        platform::ViewAnimation::animate(
            kFadeDuration,
            [leaving, primary] {
                leaving->setAlpha(0);
                if (primary) {
                    primary->setAlpha(1);
                }
            },
            [leaving, primary](bool) {
                leaving->removeFromSuperview();
                if (primary) {
                    primary->becomeFirstResponder();
                }
            });
        setTitle(primaryPage_ ? primaryPage_->title() : QString());
        return;
    }
    const auto old = secondaryPage_ ? secondaryPage_ : primaryPage_;
    secondaryPage_ = page;
    page->setViewController(weak_from_this());
    page->setAlpha(0);
    page->setBackgroundColor(view()->backgroundColor());
    frame(*page);
    view()->addSubview(page);
    setTitle(page->title());
    const std::weak_ptr<ZVContainerView> weakPrimary = primaryPage_;
    platform::ViewAnimation::animate(
        kFadeDuration,
        [page, old] {
            page->setAlpha(1);
            if (old) {
                old->setAlpha(0);
            }
        },
        [page, old, weakPrimary](bool) {
            page->becomeFirstResponder();
            if (old && old != weakPrimary.lock()) {
                old->removeFromSuperview();
            }
        });
}

void ZVContainerViewController::dismiss() {
    if (presentingViewController() != nullptr) {
        dismissViewController(true);
    } else if (platform::NavigationController* navigation = navigationController()) {
        navigation->popViewControllerAnimated(true);
    }
}

void ZVContainerViewController::viewDidLayoutSubviews() {
    ZVViewController::viewDidLayoutSubviews();
    for (const auto& page : {primaryPage_, secondaryPage_}) {
        if (page) {
            frame(*page);
        }
    }
}
