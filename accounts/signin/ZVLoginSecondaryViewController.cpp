#include "accounts/signin/ZVLoginSecondaryViewController.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "accounts/signin/ZVGoogleLoginViewController.h"
#include "accounts/signin/secondary/ZVForgotContainer.h"
#include "accounts/signin/secondary/ZVLoginContainer.h"
#include "accounts/signin/secondary/ZVSignupContainer.h"
#include "platform/ui/controllers/InterfaceOrientation.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "toolkit/alerts/ZVAlertView.h"

using namespace Qt::StringLiterals;

const QString ZVLoginSecondaryViewController::kSignInFailedTitle = u"Sign in Failed"_s;

std::shared_ptr<ZVLoginSecondaryViewController> ZVLoginSecondaryViewController::create() {
    auto screen = std::make_shared<ZVLoginSecondaryViewController>();
    screen->setPrimaryPage(ZVLoginContainer::make(screen));
    return screen;
}

ZVLoginSecondaryViewController::ZVLoginSecondaryViewController() = default;

ZVLoginSecondaryViewController::~ZVLoginSecondaryViewController() = default;

void ZVLoginSecondaryViewController::openPage(const QString& name) {
    if (name == u"login") {
        setSecondaryPage(nullptr);
    } else if (name == u"forgot") {
        setSecondaryPage(ZVForgotContainer::make(weak_from_this()));
    } else if (name == u"signup") {
        setSecondaryPage(ZVSignupContainer::make(weak_from_this()));
    }
}

void ZVLoginSecondaryViewController::openWebSignIn(
    const std::shared_ptr<ZVGoogleLoginViewController>& screen) {
    // The web page closes back to the navigation's root, taking this screen along before the
    // sign-in's failure could reach the block set while it shows.
    screen->setOnLoginFailure([](const ZVErrorPtr& error) {
        if (error) {
            ZVAlertView::showError(*error, kSignInFailedTitle);
        }
    });
    if (platform::NavigationController* navigation = navigationController()) {
        navigation->pushViewController(screen, true);
    }
}

void ZVLoginSecondaryViewController::close() {
    if (platform::NavigationController* navigation = navigationController()) {
        navigation->popViewControllerAnimated(true);
    }
}

void ZVLoginSecondaryViewController::viewDidAppear(bool animated) {
    ZVContainerViewController::viewDidAppear(animated);
    if (view()->bounds().height() > kKeyboardOnAppearHeight && primaryPage()) {
        primaryPage()->becomeFirstResponder();
    }
    ZVApi& api = ZVApi::api();
    const std::weak_ptr<platform::ViewController> weak = weak_from_this();
    loginStatusObservation_ = api.observe(QString(ZVApi::LoginStatusKey), [weak](const QString&) {
        if (const auto self =
                std::static_pointer_cast<ZVLoginSecondaryViewController>(weak.lock())) {
            self->loginStatusChanged();
        }
    });
    api.setOnLoginError([](const ZVErrorPtr& error) {
        if (error) {
            ZVAlertView::showError(*error, kSignInFailedTitle);
        }
    });
}

void ZVLoginSecondaryViewController::viewWillDisappear(bool animated) {
    ZVContainerViewController::viewWillDisappear(animated);
    loginStatusObservation_ = {};
    ZVApi::api().setOnLoginError({});
}

unsigned ZVLoginSecondaryViewController::supportedInterfaceOrientations() const {
    return platform::InterfaceOrientationMask::Portrait;
}

void ZVLoginSecondaryViewController::loginStatusChanged() {
    const bool enabled = ZVApi::api().loginStatus() != ZVApi::LoginStatusSigningInFurther;
    for (const auto& page : {primaryPage(), secondaryPage()}) {
        if (page) {
            page->setEnabled(enabled);
        }
    }
}
