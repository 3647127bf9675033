#pragma once

#include "accounts/pages/ZVPreLoginViewController.h"
#include "platform/foundation/AttributedString.h"
#include "platform/foundation/Observable.h"
#include "platform/foundation/ScopedTimer.h"
#include "toolkit/richtext/ZVRichText.h"

#include <QtCore/QLatin1StringView>
#include <QtCore/QString>

#include <memory>

class ZVBorderedTextField;
namespace platform {
class Button;
}

// The screen a signed-out user sees: a welcome page and, on the same page stack, signing in with
// e-mail and password, resetting a password, and creating an account in three steps (e-mail, the
// mailed code, a profile) that ends on "Account created!". A sign-up cut short resumes at the
// next start from the user defaults. The coordinator notices a sign-in and replaces the screen.
// Main thread only.
class ZVLoginViewController : public ZVPreLoginViewController, public ZVRichTextDelegate {
public:
    // User defaults.
    static constexpr QLatin1StringView kLoginIdKey{"loginId"};
    static constexpr QLatin1StringView kRegisterEmailKey{"register_email"};
    static constexpr QLatin1StringView kRegisterNotificationIdKey{"register_notification_id"};
    // The screen's usage category.
    static constexpr int kTrackingCategory = 2;
    static constexpr platform::TimeInterval kWelcomeDelay = 0.5;
    static constexpr platform::TimeInterval kLoginErrorDelay = 1.0;
    // Wider than this, pages show their taglines and titles.
    static constexpr qreal kWideWidth = 321;
    static constexpr qreal kCodeFieldHeight = 80;
    static constexpr int kTitleStyle = 24;
    static constexpr int kTaglineStyle = 32;
    static constexpr int kNoConnectionCode = -1009;

    static std::shared_ptr<ZVLoginViewController> create();
    ~ZVLoginViewController() override;

    // The e-mail of the last sign-in attempt, read from the defaults once a process.
    static QString defaultEmail();
    // Reads "loginId" again, as a new process would.
    static void reloadDefaultEmail();

    bool inSignupFlow() const { return inSignupFlow_; }
    bool viewHasAppeared() const { return viewHasAppeared_; }
    bool showingProgress() const { return showingProgress_; }
    const QString& registerEmail() const { return registerEmail_; }
    const QString& notificationId() const { return notificationId_; }
    // The fields of the page last built in each role.
    const std::shared_ptr<ZVBorderedTextField>& email() const { return email_; }
    const std::shared_ptr<ZVBorderedTextField>& forgotEmail() const { return forgotEmail_; }
    const std::shared_ptr<ZVBorderedTextField>& name() const { return name_; }
    const std::shared_ptr<ZVBorderedTextField>& username() const { return username_; }
    const std::shared_ptr<ZVBorderedTextField>& password() const { return password_; }
    const std::shared_ptr<ZVBorderedTextField>& code() const { return code_; }
    const std::shared_ptr<platform::Button>& confirmButton() const { return confirmButton_; }

    // --- pages ---
    void showWelcome();
    void signIn();
    void showForgotPassword();
    void createAccount();
    void proceedToCode();
    void showProfileWithNotificationId(const QString& notificationId, const QString& zelvoId);
    void signupCompleted();
    void showSuccessWithTitle(const QString& title, const platform::AttributedString& text);

    // --- actions ---
    void signInClicked();
    void resetClicked();
    void submitEmail();
    void confirm();
    void confirmProfile();
    void loginWithGoogleClicked();
    void loginWithMicrosoftClicked();

    bool shouldOpenURL(const QString& url) override;
    void checkboxToggled(bool) override {}

    void setShowingProgress(bool showing);
    void showLoginError();
    platform::AttributedString successMessageRegistration(bool signup) const;
    void clearSignupDefaults();
    static QString getDefault(const QString& key);
    // A null value removes the key; either way the defaults are saved at once.
    static void setDefault(const QString& key, const QString& value);

    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;

    // Use create().
    ZVLoginViewController();

private:
    void loginStatusChanged();
    bool isWide();
    void pushTitle(const QString& title);
    void pushTagline(qreal spacing);
    std::shared_ptr<platform::Button> pushActionButton(const QString& title,
                                                       void (ZVLoginViewController::*action)());
    void pushLinks(const std::vector<std::pair<QString, QString>>& links, qreal spacing);
    // The provider buttons' common road to a web sign-in page.
    void openWebSignIn(int page, const QString& action);
    // The progress page left the stack with another page (popped silently).
    void progressPageDropped();
    std::weak_ptr<ZVLoginViewController> weakLogin();

    std::shared_ptr<ZVBorderedTextField> email_;
    std::shared_ptr<ZVBorderedTextField> forgotEmail_;
    std::shared_ptr<ZVBorderedTextField> name_;
    std::shared_ptr<ZVBorderedTextField> username_;
    std::shared_ptr<ZVBorderedTextField> password_;
    std::shared_ptr<ZVBorderedTextField> code_;
    std::shared_ptr<platform::Button> confirmButton_;
    bool viewHasAppeared_ = false;
    bool showingProgress_ = false;
    bool inSignupFlow_ = false;
    QString notificationId_;
    QString registerEmail_;
    platform::Observation loginStatusObservation_;
    platform::ScopedTimer welcomeTimer_;
    platform::ScopedTimer loginErrorTimer_;
};
