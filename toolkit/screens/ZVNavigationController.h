#pragma once

#include "platform/ui/controllers/navigation/NavigationController.h"

#include <memory>

// The navigation stack of the app's screens: every change of the stack goes to the error log, and
// `animating` tells, from an animated change until the delegate reports its end
// (notifyAnimationEnded), that a transition is running. The coordinator waits for it before it
// opens a conversation.
class ZVNavigationController : public platform::NavigationController {
public:
    explicit ZVNavigationController(std::shared_ptr<platform::ViewController> root = nullptr);
    ~ZVNavigationController() override;

    bool animating() const { return animating_; }
    // Sent by the navigation delegate once a transition has ended.
    void notifyAnimationEnded();
    // Writes the stack to the error log.
    void logState() const;
    // How the log names a screen: its class, and its title when it has one.
    static QString describe(const platform::ViewController& controller);

    void pushViewController(const std::shared_ptr<platform::ViewController>& controller,
                            bool animated) override;
    std::shared_ptr<platform::ViewController> popViewControllerAnimated(bool animated) override;
    Stack popToViewController(const platform::ViewController* controller, bool animated) override;
    Stack popToRootViewControllerAnimated(bool animated) override;
    void setViewControllers(Stack controllers, bool animated) override;
    unsigned supportedInterfaceOrientations() const override;

private:
    // After the stack operation: animating only when it started an animated transition, so that
    // an operation that changed nothing (a pop at the root) does not wait for an end that never
    // comes.
    void updateAnimating();
    void interactivePopChanged();

    bool animating_ = false;
    bool animatingPending_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
