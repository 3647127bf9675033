#pragma once

#include "accounts/pages/ZVContainerViewController.h"
#include "platform/foundation/Observable.h"

#include <QtCore/QString>

#include <memory>

class ZVGoogleLoginViewController;

// Adds a further account while others are signed in: the sign-in page, and over it one page at a
// time by name ("forgot", "signup", then the code and the profile), with the same requests as the
// first sign-in but no progress page, no resume and no defaults. The screen goes when the account
// is signed in. Main thread only.
class ZVLoginSecondaryViewController : public ZVContainerViewController {
public:
    // Taller than this, the keyboard rises as the screen appears.
    static constexpr qreal kKeyboardOnAppearHeight = 600;
    static const QString kSignInFailedTitle;

    static std::shared_ptr<ZVLoginSecondaryViewController> create();
    ~ZVLoginSecondaryViewController() override;

    // "login" returns to the sign-in page, "forgot" and "signup" show theirs; others do nothing.
    void openPage(const QString& name);
    // Opens a web sign-in over this screen; a failure of its sign-in shows here.
    void openWebSignIn(const std::shared_ptr<ZVGoogleLoginViewController>& screen);
    // Pops this screen off its navigation.
    void close();

    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    unsigned supportedInterfaceOrientations() const override;

    // Use create().
    ZVLoginSecondaryViewController();

private:
    void loginStatusChanged();

    platform::Observation loginStatusObservation_;
};
