#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/ObserverList.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "platform/ui/view/DeviceProfile.h"
#include "toolkit/screens/ZVSwipeGestureRecognizerDelegate.h"

#include <QtCore/QRectF>

#include <functional>
#include <memory>
#include <vector>

class ZVDefaultSwipeTarget;
class ZVSwipeGestureRecognizer;

// The base of every screen: the same bar buttons (side-menu or close button, the tablet's
// display-mode button), edit mode with "Cancel" and "Done" and a notification on every change,
// one swipe recognizer and at most one side menu shown, the keyboard's height, and usage reports
// of the screen and of the user's actions. Main thread only.
class ZVViewController : public platform::ViewController {
public:
    // Posted with the screen as sender and object on every change of edit mode.
    static const QString kEditingChangedNotification;
    static constexpr qreal kSpacerWidth = -10;
    static constexpr platform::TimeInterval kStatusBarAnimationDuration = 0.3;
    static constexpr platform::TimeInterval kMenuButtonsDelay = 0.1;

    ZVViewController();
    ~ZVViewController() override;

    // --- hooks for screens ---
    // The room the status bar takes at the top; the base has nothing to move.
    virtual void setTopInset(qreal inset);
    virtual void keyboardWillShow(const platform::Notification& notification);
    virtual void keyboardWillChangeFrame(const platform::Notification& notification);
    virtual void keyboardWillHide(const platform::Notification& notification);
    virtual void keyboardDidShow(const platform::Notification&) {}
    virtual void keyboardDidHide(const platform::Notification&) {}
    virtual void commitEdit();
    virtual void cancelEdit();
    virtual void navigateBack();
    // Called by the owner that retires the screen.
    virtual void releaseObservers();

    // --- properties ---
    const QString& iconName() const { return iconName_; }
    void setIconName(const QString& name) { iconName_ = name; }
    const std::shared_ptr<ZVSwipeGestureRecognizer>& swipeGestureRecognizer() const {
        return swipeGestureRecognizer_;
    }
    std::shared_ptr<ZVSlideInMenu> slideInMenu() const { return slideInMenu_; }
    void setSlideInMenu(const std::shared_ptr<ZVSlideInMenu>& menu);
    bool showMenuButton() const { return rightButton_ && rightButtonRole_ == RightButton::Menu; }
    void setShowMenuButton(bool show);
    bool showCloseButton() const { return rightButton_ && rightButtonRole_ == RightButton::Close; }
    void setShowCloseButton(bool show);
    qreal keyboardHeight() const { return keyboardHeight_; }
    int trackingCategory() const { return trackingCategory_; }
    void setTrackingCategory(int category) { trackingCategory_ = category; }
    const std::shared_ptr<platform::BarButtonItem>& leftButton() const { return leftButton_; }
    const std::shared_ptr<platform::BarButtonItem>& rightButton() const { return rightButton_; }
    const std::shared_ptr<platform::BarButtonItem>& spacer() const { return spacer_; }

    // --- operations ---
    // On a tablet, the split view's display-mode button becomes the left item.
    void updateBackButton();
    void showLeftMenu() { showSlideInMenu(ZVMenuSide::Left); }
    void showRightMenu() { showSlideInMenu(ZVMenuSide::Right); }
    // Opens the swipe target's menu for `side`, or closes it when it is the one shown.
    void showSlideInMenu(ZVMenuSide side);
    void updateMenuButtons();
    // Closes the open conversation.
    void navigateToInbox();
    QSizeF screenSize() const;
    // The keyboard's end frame in the view, cut to the part that overlaps the view.
    QRectF extractKeyboardSizeFromNotification(const platform::Notification& notification) const;
    // Runs `changes` in an animation with the keyboard's own duration and curve.
    static void startKeyboardAnimation(const platform::Notification& notification,
                                       const std::function<void()>& changes);
    void setKeyboardObservers(bool active);
    void reportAction(const QString& action, const QString& label);

    // --- the platform's calls ---
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillLayoutSubviews() override;
    void viewWillDisappear(bool animated) override;
    void viewWillTransitionToSize(QSizeF size,
                                  platform::TransitionCoordinator& coordinator) override;
    void setEditing(bool editing, bool animated) override;
    unsigned supportedInterfaceOrientations() const override;
    bool prefersStatusBarHidden() const override { return slideInMenu_ != nullptr; }
    StatusBarAnimation preferredStatusBarUpdateAnimation() const override {
        return StatusBarAnimation::Slide;
    }
    StatusBarStyle preferredStatusBarStyle() const override { return StatusBarStyle::LightContent; }

protected:
    std::weak_ptr<ZVViewController> weakSelf();

private:
    enum class RightButton { Menu, Close };

    platform::DeviceProfile::Idiom idiom() const;
    // The spacer and the right button, each where present.
    platform::NavigationItem::Items rightItems() const;
    // An action that reaches this screen while it lives.
    platform::BarButtonItem::Action bind(void (ZVViewController::*operation)());

    QString iconName_;
    std::shared_ptr<platform::BarButtonItem> leftButton_;
    std::shared_ptr<platform::BarButtonItem> rightButton_;
    RightButton rightButtonRole_ = RightButton::Menu;
    std::shared_ptr<platform::BarButtonItem> spacer_;
    std::shared_ptr<ZVSlideInMenu> slideInMenu_;
    std::shared_ptr<ZVSwipeGestureRecognizer> swipeGestureRecognizer_;
    std::shared_ptr<ZVDefaultSwipeTarget> defaultSwipeTarget_;
    bool keyboardObserversActive_ = false;
    std::vector<platform::Observation> keyboardObservers_;
    qreal keyboardHeight_ = 0;
    int trackingCategory_ = 0;
    platform::ScopedTimer menuButtonsTimer_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
