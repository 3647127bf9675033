#include "accounts/signin/ZVPreLoginNavigationController.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "accounts/signin/ZVGoogleLoginViewController.h"
#include "accounts/signin/ZVLoginViewController.h"
#include "accounts/signin/ZVMicrosoftLoginViewController.h"
#include "platform/ui/animation/ViewAnimation.h"

namespace {

const QColor kPreLoginNavigationBackground = Qt::darkGray;

}  // namespace

std::shared_ptr<ZVPreLoginNavigationController> ZVPreLoginNavigationController::create() {
    auto navigation = std::make_shared<ZVPreLoginNavigationController>();
    navigation->setDelegate(std::shared_ptr<platform::NavigationControllerDelegate>(
        navigation, static_cast<platform::NavigationControllerDelegate*>(navigation.get())));
    return navigation;
}

ZVPreLoginNavigationController::ZVPreLoginNavigationController()
    : platform::NavigationController(ZVLoginViewController::create()) {
    loginViewController_ =
        std::static_pointer_cast<ZVLoginViewController>(viewControllers().front());
    pages_.emplace(PageLogin,
                   ZVNavigationControllerPage([this] { return loginViewController_; },
                                              ZVNavigationControllerPage::TransitionNone, true));
    pages_.emplace(PageGoogle, ZVNavigationControllerPage(
                                   [] { return std::make_shared<ZVGoogleLoginViewController>(); },
                                   ZVNavigationControllerPage::TransitionPush, false));
    pages_.emplace(PageMicrosoft,
                   ZVNavigationControllerPage(
                       [] { return std::make_shared<ZVMicrosoftLoginViewController>(); },
                       ZVNavigationControllerPage::TransitionPush, false));
    setNavigationBarHidden(true, false);
}

ZVPreLoginNavigationController::~ZVPreLoginNavigationController() = default;

void ZVPreLoginNavigationController::viewDidLoad() {
    platform::NavigationController::viewDidLoad();
    viewIfLoaded()->setBackgroundColor(kPreLoginNavigationBackground);
}

unsigned ZVPreLoginNavigationController::supportedInterfaceOrientations() const {
    if (platform::ViewController* top = topViewController()) {
        return top->supportedInterfaceOrientations();
    }
    return platform::NavigationController::supportedInterfaceOrientations();
}

void ZVPreLoginNavigationController::setPage(int page, bool animated) {
    if (page == page_) {
        return;
    }
    if (!pages_.contains(page)) {
        ZVLogError(u"ZVPreLoginNavigationController: no page %ld", qint64(page));
        return;
    }
    if (page == PageLogin) {
        returnToLogin(animated);
    } else {
        showWebPage(page, animated);
    }
}

void ZVPreLoginNavigationController::showWebPage(int page, bool animated) {
    if (page_ != PageLogin) {
        popToRootViewControllerAnimated(false);
    }
    page_ = page;
    const ZVNavigationControllerPage& entry = pages_.at(page);
    const auto controller = entry.viewControllerClass()();
    const auto view = controller->view();
    view->setFrame(loginViewController_->view()->frame());
    controller->viewWillLayoutSubviews();
    const int transition =
        animated ? entry.transition() : ZVNavigationControllerPage::TransitionNone;
    if (transition == ZVNavigationControllerPage::TransitionFlip) {
        pushViewController(controller, false);
        platform::ViewAnimation::transition(
            *this->view(), kFlipDuration, platform::ViewAnimation::TransitionFlipFromRight, [] {});
        return;
    }
    const bool pushAnimated = transition == ZVNavigationControllerPage::TransitionPush;
    setNavigationBarHidden(entry.hidesNavigationBar(), pushAnimated);
    pushViewController(controller, pushAnimated);
}

void ZVPreLoginNavigationController::returnToLogin(bool animated) {
    const int transition =
        animated ? pages_.at(page_).transition() : ZVNavigationControllerPage::TransitionNone;
    setNavigationBarHidden(true, transition == ZVNavigationControllerPage::TransitionPush);
    if (transition == ZVNavigationControllerPage::TransitionFlip) {
        const std::weak_ptr<platform::ViewController> weak = weak_from_this();
        platform::ViewAnimation::transition(
            *view(), kFlipDuration, platform::ViewAnimation::TransitionFlipFromLeft, [] {},
            [weak](bool) {
                if (const auto self = weak.lock()) {
                    static_cast<ZVPreLoginNavigationController&>(*self)
                        .popToRootViewControllerAnimated(false);
                }
            });
    } else {
        popToRootViewControllerAnimated(transition == ZVNavigationControllerPage::TransitionPush);
    }
    page_ = PageLogin;
}

void ZVPreLoginNavigationController::willShowViewController(platform::NavigationController&,
                                                            platform::ViewController& shown,
                                                            bool animated) {
    if (&shown == loginViewController_.get()) {
        page_ = PageLogin;
    }
    const auto entry = pages_.find(page_);
    if (entry == pages_.end()) {
        return;
    }
    setNavigationBarHidden(
        entry->second.hidesNavigationBar(),
        animated && entry->second.transition() == ZVNavigationControllerPage::TransitionPush);
}
