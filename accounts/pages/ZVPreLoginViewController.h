#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "toolkit/screens/ZVViewController.h"

#include <memory>
#include <vector>

namespace platform {
class ImageView;
}
class ZVContainerView;
class ZVLoginBackground;

// Hosts the pre-login pages as a stack over the onboarding background: the newest page shows,
// sitting at the bottom of the content rectangle and following the keyboard; the others wait
// faded out below it. A screen builds a page with pushNewPage(), pushes its parts onto
// container() and shows it with commitPush(). Main thread only.
class ZVPreLoginViewController : public ZVViewController {
public:
    static constexpr platform::TimeInterval kFadeDuration = 0.3;
    static constexpr QSizeF kTabletContentSize{400, 560};
    // How much higher a tablet in portrait lifts the page over its keyboard.
    static constexpr qreal kTabletPortraitLift = 13;
    static constexpr qreal kMinimumTop = 20;
    static constexpr qreal kLogoTop = 60;
    static constexpr qreal kLogoLeft = 47;

    ZVPreLoginViewController();
    ~ZVPreLoginViewController() override;

    std::shared_ptr<ZVLoginBackground> background();
    std::shared_ptr<platform::ImageView> logo();
    // The newest page.
    std::shared_ptr<ZVContainerView> container();
    int pageCount();
    const std::vector<std::shared_ptr<ZVContainerView>>& pages();

    void pushNewPage();
    void commitPush();
    void commitPushSilent();
    void popPage();
    void popPageSilent();
    void placeView();
    void placeLogo();
    QRectF contentRect();
    void updateActionButton();
    void backTapped() { popPage(); }

    void loadView() override;
    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;
    void keyboardWillShow(const platform::Notification& notification) override;
    void keyboardWillHide(const platform::Notification& notification) override;
    unsigned supportedInterfaceOrientations() const override;

private:
    bool isTablet() const;
    // Moves the newest page with the keyboard's own animation.
    void followKeyboard(const platform::Notification& notification);

    std::shared_ptr<platform::ImageView> logo_;
    std::vector<std::shared_ptr<ZVContainerView>> views_;
};
