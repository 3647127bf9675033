#pragma once

#include <functional>
#include <memory>

namespace platform {
class ViewController;
}

// One page of the pre-login navigation: the screen it makes, how it comes and goes, and whether
// the navigation bar shows over it.
class ZVNavigationControllerPage {
public:
    enum Transition : int { TransitionNone = 0, TransitionFlip = 1, TransitionPush = 2 };
    using Factory = std::function<std::shared_ptr<platform::ViewController>()>;

    ZVNavigationControllerPage(Factory viewControllerClass, Transition transition,
                               bool hidesNavigationBar)
        : viewControllerClass_(std::move(viewControllerClass)),
          transition_(transition),
          hidesNavigationBar_(hidesNavigationBar) {}

    const Factory& viewControllerClass() const { return viewControllerClass_; }
    Transition transition() const { return transition_; }
    bool hidesNavigationBar() const { return hidesNavigationBar_; }

private:
    Factory viewControllerClass_;
    Transition transition_;
    bool hidesNavigationBar_;
};
