#include "accounts/signin/ZVLoginViewController.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/pages/ZVContainerView.h"
#include "accounts/signin/ZVPreLoginNavigationController.h"
#include "accounts/signin/ZVSignInParts.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/view/Window.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/ZVBranding.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal kLoginTaglineSpacing = 50;
constexpr qreal kLoginSignInTaglineSpacing = 25;
constexpr qreal kLoginSignupLinkSpacing = 10;
const QString kLoginTagline = u"Zelvo is a messenger for all your teams and projects."_s;
const QString kLoginNoConnectionText =
    u"You need to be connected to the Internet to sign in to Zelvo."_s;

std::optional<QString>& loginDefaultEmailStore() {
    static std::optional<QString> email;
    return email;
}

}  // namespace

std::shared_ptr<ZVLoginViewController> ZVLoginViewController::create() {
    auto screen = std::make_shared<ZVLoginViewController>();
    const std::weak_ptr<ZVLoginViewController> weak = screen;
    screen->loginStatusObservation_ =
        ZVApi::api().observe(QString(ZVApi::LoginStatusKey), [weak](const QString&) {
            if (const auto self = weak.lock()) {
                self->loginStatusChanged();
            }
        });
    return screen;
}

ZVLoginViewController::ZVLoginViewController() {
    setTrackingCategory(kTrackingCategory);
}

ZVLoginViewController::~ZVLoginViewController() = default;

std::weak_ptr<ZVLoginViewController> ZVLoginViewController::weakLogin() {
    return std::static_pointer_cast<ZVLoginViewController>(shared_from_this());
}

// --- defaults ---

QString ZVLoginViewController::defaultEmail() {
    auto& email = loginDefaultEmailStore();
    if (!email) {
        email = getDefault(QString(kLoginIdKey));
    }
    return *email;
}

void ZVLoginViewController::reloadDefaultEmail() {
    loginDefaultEmailStore().reset();
}

QString ZVLoginViewController::getDefault(const QString& key) {
    return platform::UserDefaults::standard()->stringForKey(key);
}

void ZVLoginViewController::setDefault(const QString& key, const QString& value) {
    const auto defaults = platform::UserDefaults::standard();
    defaults->setString(value, key);
    defaults->synchronize();
}

void ZVLoginViewController::clearSignupDefaults() {
    setDefault(QString(kRegisterEmailKey), QString());
    setDefault(QString(kRegisterNotificationIdKey), QString());
    registerEmail_.clear();
    notificationId_.clear();
    inSignupFlow_ = false;
}

// --- appearance ---

void ZVLoginViewController::viewWillAppear(bool animated) {
    if (ZVApi::api().loginStatus() == ZVApi::LoginStatusSignedIn) {
        ZVLogError(u"ZVLoginViewController: appearing in logged in state");
    }
    // The base reports the page of the screen's category.
    ZVPreLoginViewController::viewWillAppear(animated);
}

void ZVLoginViewController::viewDidAppear(bool animated) {
    ZVPreLoginViewController::viewDidAppear(animated);
    if (viewHasAppeared_) {
        return;
    }
    viewHasAppeared_ = true;
    const auto weak = weakLogin();
    welcomeTimer_ = platform::Scheduler::main().after(kWelcomeDelay, [weak] {
        if (const auto self = weak.lock()) {
            self->showWelcome();
        }
    });
}

bool ZVLoginViewController::isWide() {
    return view()->bounds().width() > kWideWidth;
}

// --- building pages ---

void ZVLoginViewController::pushTitle(const QString& title) {
    container()->pushTextView(
        platform::AttributedString(title, ZVTextStyles::attributesForStyle(kTitleStyle)), 0);
}

void ZVLoginViewController::pushTagline(qreal spacing) {
    container()->pushTextView(
        platform::AttributedString(kLoginTagline, ZVTextStyles::attributesForStyle(kTaglineStyle)),
        spacing);
}

std::shared_ptr<platform::Button> ZVLoginViewController::pushActionButton(
    const QString& title, void (ZVLoginViewController::*action)()) {
    auto button = container()->pushButtonWithTitle(title, 0);
    const auto weak = weakLogin();
    button->addTarget(platform::Control::TouchUpInside, [weak, action](auto&) {
        if (const auto self = weak.lock()) {
            ((*self).*action)();
        }
    });
    return button;
}

void ZVLoginViewController::pushLinks(const std::vector<std::pair<QString, QString>>& links,
                                      qreal spacing) {
    const auto text = container()->pushTextActions(links, spacing);
    text->setDelegate(std::shared_ptr<ZVRichTextDelegate>(shared_from_this(),
                                                          static_cast<ZVRichTextDelegate*>(this)));
}

void ZVLoginViewController::showWelcome() {
    const auto page = container();
    pushTitle(u"Welcome!"_s);
    pushTagline(kLoginTaglineSpacing);
    page->pushIllustration(u"icon-onboarding-rocket"_s)
        ->setContentMode(platform::ContentMode::Right);
    pushActionButton(u"SIGN IN"_s, &ZVLoginViewController::signIn);
    const auto google = page->pushButtonWithTitle(u"Sign in with Google"_s, 2);
    ZVBranding::setButton(*google, u"icon-google-login"_s);
    const auto microsoft = page->pushButtonWithTitle(u"Sign in with Microsoft"_s, 2);
    ZVBranding::setButton(*microsoft, u"icon-microsoft-login"_s);
    const auto weak = weakLogin();
    google->addTarget(platform::Control::TouchUpInside, [weak](auto&) {
        if (const auto self = weak.lock()) {
            self->loginWithGoogleClicked();
        }
    });
    microsoft->addTarget(platform::Control::TouchUpInside, [weak](auto&) {
        if (const auto self = weak.lock()) {
            self->loginWithMicrosoftClicked();
        }
    });
    pushLinks({{u"signup"_s, u"Create free account"_s}}, kLoginSignupLinkSpacing);

    registerEmail_ = getDefault(QString(kRegisterEmailKey));
    notificationId_ = getDefault(QString(kRegisterNotificationIdKey));
    if (registerEmail_.isEmpty()) {
        commitPush();
        return;
    }
    // A sign-up cut short goes on where it stopped, over the welcome page.
    commitPushSilent();
    if (!notificationId_.isEmpty()) {
        showProfileWithNotificationId(notificationId_, QString());
    } else {
        proceedToCode();
    }
}

void ZVLoginViewController::signIn() {
    clearSignupDefaults();
    pushNewPage();
    pushTitle(u"Sign in"_s);
    if (isWide()) {
        pushTagline(kLoginSignInTaglineSpacing);
    }
    const auto page = container();
    email_ = page->pushTextFieldWithPlaceholder(u"Username or email address"_s);
    email_->textField()->setKeyboardType(platform::KeyboardType::EmailAddress);
    email_->textField()->setText(defaultEmail());
    password_ = page->pushTextFieldWithPlaceholder(u"Password"_s);
    password_->textField()->setSecureTextEntry(true);
    password_->setUsernameField(email_);
    pushActionButton(u"SIGN IN"_s, &ZVLoginViewController::signInClicked);
    pushLinks({{u"forgot"_s, u"Forgot password"_s}}, 0);
    commitPush();
}

void ZVLoginViewController::showForgotPassword() {
    pushNewPage();
    pushTitle(u"Reset password"_s);
    forgotEmail_ = container()->pushTextFieldWithPlaceholder(u"Username or email address"_s);
    forgotEmail_->textField()->setKeyboardType(platform::KeyboardType::EmailAddress);
    pushActionButton(u"RESET PASSWORD"_s, &ZVLoginViewController::resetClicked);
    commitPush();
}

void ZVLoginViewController::showSuccessWithTitle(const QString& title,
                                                 const platform::AttributedString& text) {
    pushNewPage();
    pushTitle(title);
    container()->pushTextView(text, 0);
    pushLinks({{u"back"_s, u"Back"_s}}, 0);
    commitPush();
}

platform::AttributedString ZVLoginViewController::successMessageRegistration(bool signup) const {
    const platform::TextAttributes& style = ZVTextStyles::attributesForStyle(kTaglineStyle);
    platform::TextAttributes emphasis = style;
    emphasis.insert(platform::TextAttribute::Font,
                    QVariant::fromValue(ZVTextStyles::fontForStyle(1)));
    const QString email =
        signup ? registerEmail_ : (forgotEmail_ ? forgotEmail_->textField()->text() : QString());
    platform::AttributedString message(u"We sent the code to \n"_s, style);
    message.append(email.trimmed(), emphasis);
    message.append(signup ? u". Can't find it? Try the promotions or spam folders."_s
                          : u"\n\nwith further instructions."_s,
                   style);
    return message;
}

// --- signing in ---

void ZVLoginViewController::signInClicked() {
    view()->endEditing(true);
    reportAction(u"Sign in button"_s, u"OK"_s);
    const QString email = email_ ? email_->textField()->text().trimmed() : QString();
    const QString password = password_ ? password_->textField()->text().trimmed() : QString();
    // Remembered for the next start; saved with the defaults' next write.
    platform::UserDefaults::standard()->setString(email, QString(kLoginIdKey));
    loginDefaultEmailStore() = email;
    setShowingProgress(true);
    ZVApi::api().loginWithEmail(email, password);
}

void ZVLoginViewController::loginStatusChanged() {
    const int status = ZVApi::api().loginStatus();
    if (status == ZVApi::LoginStatusSignedOut) {
        const auto weak = weakLogin();
        loginErrorTimer_ = platform::Scheduler::main().after(kLoginErrorDelay, [weak] {
            if (const auto self = weak.lock()) {
                self->showLoginError();
            }
        });
    }
    const bool enabled =
        status == ZVApi::LoginStatusSignedOut || status == ZVApi::LoginStatusSignedIn;
    for (const auto& field : {email_, password_}) {
        if (field) {
            field->textField()->setEnabled(enabled);
        }
    }
}

void ZVLoginViewController::showLoginError() {
    setShowingProgress(false);
    const ZVErrorPtr& error = ZVApi::api().loginError();
    if (!error) {
        return;
    }
    const QString message =
        error->code() == kNoConnectionCode ? kLoginNoConnectionText : error->localizedDescription();
    ZVAlertView::showMessage(message, u"Login failed"_s);
}

void ZVLoginViewController::setShowingProgress(bool showing) {
    if (showing == showingProgress_) {
        return;
    }
    showingProgress_ = showing;
    if (showing) {
        pushNewPage();
        const auto indicator = container()->pushActivityIndicator();
        commitPush();
        indicator->startAnimating();
    } else {
        popPage();
    }
}

void ZVLoginViewController::progressPageDropped() {
    // Popped silently with the page below it: the next request shows its own progress page.
    showingProgress_ = false;
}

// --- resetting a password ---

void ZVLoginViewController::resetClicked() {
    setShowingProgress(true);
    reportAction(u"Forgot password button"_s, u"OK"_s);
    const auto weak = weakLogin();
    ZVApi::api().resetPassword(
        forgotEmail_ ? forgotEmail_->textField()->text() : QString(),
        [weak] {
            const auto self = weak.lock();
            if (!self) {
                return;
            }
            self->popPageSilent();
            self->progressPageDropped();
            self->popPageSilent();
            self->showSuccessWithTitle(u"Reset password"_s,
                                       self->successMessageRegistration(false));
        },
        [weak](const ZVErrorPtr& error) {
            const auto self = weak.lock();
            if (!self) {
                return;
            }
            self->setShowingProgress(false);
            ZVAlertView::showMessage(ZVSignInParts::resetFailureMessage(error),
                                     ZVSignInParts::kPasswordResetFailedTitle);
        });
}

// --- links and providers ---

bool ZVLoginViewController::shouldOpenURL(const QString& url) {
    if (url == u"signup") {
        createAccount();
    } else if (url == u"forgot") {
        showForgotPassword();
    } else {
        if (pageCount() < 3) {
            if (platform::Window* shown = window()) {
                if (platform::Responder* responder = shown->firstResponder()) {
                    responder->resignFirstResponder();
                }
            }
        }
        popPage();
    }
    return false;
}

void ZVLoginViewController::openWebSignIn(int page, const QString& action) {
    clearSignupDefaults();
    reportAction(action, u"OK"_s);
    if (auto* navigation = dynamic_cast<ZVPreLoginNavigationController*>(navigationController())) {
        navigation->setPage(page);
    }
}

void ZVLoginViewController::loginWithGoogleClicked() {
    openWebSignIn(ZVPreLoginNavigationController::PageGoogle, u"Sign in with google"_s);
}

void ZVLoginViewController::loginWithMicrosoftClicked() {
    openWebSignIn(ZVPreLoginNavigationController::PageMicrosoft, u"Sign in with microsoft"_s);
}
