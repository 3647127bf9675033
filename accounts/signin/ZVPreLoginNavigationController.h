#pragma once

#include "accounts/signin/ZVNavigationControllerPage.h"
#include "platform/ui/controllers/navigation/NavigationController.h"

#include <map>
#include <memory>

class ZVLoginViewController;

// The window's root while no account is signed in: the sign-in screen as its permanent root, and
// the web sign-ins pushed over it, each page by its number with its own transition and bar.
// Main thread only.
class ZVPreLoginNavigationController : public platform::NavigationController,
                                       public platform::NavigationControllerDelegate {
public:
    enum Page : int { PageLogin = 1, PageGoogle = 4, PageMicrosoft = 5 };
    static constexpr platform::TimeInterval kFlipDuration = 1.0;

    static std::shared_ptr<ZVPreLoginNavigationController> create();
    ~ZVPreLoginNavigationController() override;

    int page() const { return page_; }
    void setPage(int page) { setPage(page, true); }
    // A page number missing from the table is ignored (and logged).
    void setPage(int page, bool animated);
    const std::shared_ptr<ZVLoginViewController>& loginViewController() const {
        return loginViewController_;
    }
    const std::map<int, ZVNavigationControllerPage>& pages() const { return pages_; }

    void viewDidLoad() override;
    unsigned supportedInterfaceOrientations() const override;

    // --- its own navigation delegate ---
    void willShowViewController(platform::NavigationController& navigation,
                                platform::ViewController& shown, bool animated) override;

    // Use create().
    ZVPreLoginNavigationController();

private:
    void showWebPage(int page, bool animated);
    void returnToLogin(bool animated);

    std::shared_ptr<ZVLoginViewController> loginViewController_;
    std::map<int, ZVNavigationControllerPage> pages_;
    int page_ = PageLogin;
};
