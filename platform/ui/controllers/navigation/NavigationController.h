#pragma once

#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controllers/navigation/EdgePanGestureRecognizer.h"
#include "platform/ui/controllers/navigation/NavigationBar.h"

#include <memory>
#include <vector>

namespace platform {

class NavigationController;

// Told about the screens a navigation stack shows: will-show before a transition starts, did-show
// once it has ended (after its animation).
class NavigationControllerDelegate {
public:
    virtual ~NavigationControllerDelegate() = default;
    virtual void willShowViewController(NavigationController&, ViewController&, bool /*animated*/) {
    }
    virtual void didShowViewController(NavigationController&, ViewController&, bool /*animated*/) {}
    // An interactive pop was let go too early: `viewController` (announced by will-show) is not
    // shown after all and the screen that was on top stays. No did-show follows for it.
    virtual void didCancelShowViewController(NavigationController&, ViewController&) {}
};

// A stack of screens, one shown at a time under a navigation bar. Pushes slide the new screen in
// from the right, pops slide the top one out, and a finger dragged from the left edge pops
// interactively (and may be let go to call it off). A change asked for while a transition runs
// ends that transition first (an interactive one is called off).
class NavigationController : public ViewController {
public:
    using Stack = std::vector<std::shared_ptr<ViewController>>;

    static constexpr TimeInterval kTransitionDuration = 0.35;
    // How far the screen below is pushed to the left while it is covered, as a share of the width.
    static constexpr qreal kCoveredShift = 0.3;
    // An interactive pop let go past this share of the width, or flicked right faster than
    // kFlickVelocity (points a second), completes.
    static constexpr qreal kCompletionProgress = 0.5;
    static constexpr qreal kFlickVelocity = 300;

    explicit NavigationController(std::shared_ptr<ViewController> root = nullptr);
    ~NavigationController() override;

    const Stack& viewControllers() const { return stack_; }
    ViewController* topViewController() const;
    // What is presented over the top screen, or the top screen.
    ViewController* visibleViewController() const;

    // A controller already in this stack or shown elsewhere is refused with a warning.
    virtual void pushViewController(const std::shared_ptr<ViewController>& controller,
                                    bool animated);
    // Pops the top screen (never the root) and answers it.
    virtual std::shared_ptr<ViewController> popViewControllerAnimated(bool animated);
    // Pops down to `controller` and answers the screens popped (none when it is not in the stack).
    virtual Stack popToViewController(const ViewController* controller, bool animated);
    virtual Stack popToRootViewControllerAnimated(bool animated);
    // Replaces the stack: a new top slides in as a push, one that was in the stack as a pop.
    virtual void setViewControllers(Stack controllers, bool animated);

    NavigationBar& navigationBar() { return *bar_; }
    bool isNavigationBarHidden() const { return barHidden_; }
    void setNavigationBarHidden(bool hidden, bool animated);

    std::shared_ptr<NavigationControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<NavigationControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    // The edge pan that pops; disable it to keep the stack still.
    const std::shared_ptr<EdgePanGestureRecognizer>& interactivePopGestureRecognizer() const {
        return popRecognizer_;
    }
    // The transition running now, when one is.
    TransitionCoordinator* transitionCoordinator() const;
    bool isTransitioning() const { return transition_ != nullptr; }

    // The frame a screen's view takes in this controller's view.
    QRectF contentFrameFor(const ViewController& controller) const;

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    bool shouldAutomaticallyForwardAppearanceMethods() const override { return false; }
    ViewController* childViewControllerForStatusBar() const override { return topViewController(); }

private:
    struct Transition;
    class ContainerView;

    // Moves to `stack`; `pop` picks the direction of the slide.
    void changeStack(Stack stack, bool animated, bool pop);
    // The appearance calls of a transition and its new view in place.
    void beginTransition(Transition& t);
    void finishTransition();
    void finishRunningTransition();
    void settle();
    void placeViews(qreal progress);
    void layoutContainer();
    qreal statusBarInset() const;
    void handlePopGesture();
    void beginInteractivePop();
    void endInteractivePop(bool complete);
    void cancelTransition();
    void updateBar();

    Stack stack_;
    std::shared_ptr<NavigationBar> bar_;
    bool barHidden_ = false;
    std::weak_ptr<NavigationControllerDelegate> delegate_;
    std::shared_ptr<EdgePanGestureRecognizer> popRecognizer_;
    std::unique_ptr<Transition> transition_;
    // The screen the delegate was last told had been shown.
    std::weak_ptr<ViewController> lastShown_;
    bool announceOnAppearance_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace platform
