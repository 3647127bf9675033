#include "toolkit/screens/ZVNavigationController.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <QtCore/QStringList>

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

namespace {

QString yesNo(bool flag) {
    return flag ? QStringLiteral("YES") : QStringLiteral("NO");
}

QString className(const platform::ViewController& controller) {
    const char* mangled = typeid(controller).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    const QString name = QString::fromLatin1(status == 0 && demangled ? demangled : mangled);
    std::free(demangled);
    return name;
}

QString describeAll(const platform::NavigationController::Stack& stack) {
    QStringList names;
    for (const auto& controller : stack) {
        names << (controller ? ZVNavigationController::describe(*controller)
                             : QStringLiteral("(null)"));
    }
    return names.join(QLatin1Char(' '));
}

}  // namespace

ZVNavigationController::ZVNavigationController(std::shared_ptr<platform::ViewController> root)
    : platform::NavigationController(std::move(root)) {
    // The edge pan changes the stack without a pop call: follow it here.
    interactivePopGestureRecognizer()->addTarget(
        [alive = std::weak_ptr<bool>(alive_), this](platform::GestureRecognizer&) {
            if (!alive.expired()) {
                interactivePopChanged();
            }
        });
}

ZVNavigationController::~ZVNavigationController() = default;

QString ZVNavigationController::describe(const platform::ViewController& controller) {
    const QString name = className(controller);
    return controller.title().isEmpty() ? name : name + QStringLiteral(": ") + controller.title();
}

void ZVNavigationController::logState() const {
    ZVLogError(u"ViewControllers = %@", describeAll(viewControllers()));
}

void ZVNavigationController::notifyAnimationEnded() {
    ZVLogError(u"NotifyAnimationEnded");
    animating_ = false;
}

void ZVNavigationController::updateAnimating() {
    animating_ = animatingPending_ && isTransitioning();
}

void ZVNavigationController::interactivePopChanged() {
    if (interactivePopGestureRecognizer()->state() != platform::GestureRecognizerState::Began) {
        return;
    }
    platform::TransitionCoordinator* transition = transitionCoordinator();
    if (transition == nullptr || !transition->isInteractive()) {
        return;
    }
    logState();
    ZVLogError(u"PopViewController: animated = %@", yesNo(true));
    animatingPending_ = true;
    updateAnimating();
    // A pop let go too early shows nothing new: no did-show will end the wait.
    transition->animateAlongsideTransition(
        {}, [alive = std::weak_ptr<bool>(alive_), this](const platform::TransitionCoordinator& t) {
            if (!alive.expired() && t.isCancelled()) {
                animating_ = false;
            }
        });
}

void ZVNavigationController::setViewControllers(Stack controllers, bool animated) {
    animatingPending_ = animated;
    logState();
    ZVLogError(u"SetViewControllers: [%@] animated = %@", describeAll(controllers),
               yesNo(animated));
    platform::NavigationController::setViewControllers(std::move(controllers), animated);
    updateAnimating();
}

void ZVNavigationController::pushViewController(
    const std::shared_ptr<platform::ViewController>& controller, bool animated) {
    logState();
    ZVLogError(u"PushViewController: <%@> animated = %@",
               controller ? describe(*controller) : QString(), yesNo(animated));
    animatingPending_ = animated;
    platform::NavigationController::pushViewController(controller, animated);
    updateAnimating();
}

std::shared_ptr<platform::ViewController> ZVNavigationController::popViewControllerAnimated(
    bool animated) {
    logState();
    ZVLogError(u"PopViewController: animated = %@", yesNo(animated));
    animatingPending_ = animated;
    auto popped = platform::NavigationController::popViewControllerAnimated(animated);
    updateAnimating();
    return popped;
}

platform::NavigationController::Stack ZVNavigationController::popToRootViewControllerAnimated(
    bool animated) {
    logState();
    ZVLogError(u"PopToRootViewController: animated = %@", yesNo(animated));
    animatingPending_ = animated;
    // Not through popToViewController, which would log a second change.
    Stack popped;
    if (!viewControllers().empty()) {
        popped = platform::NavigationController::popToViewController(
            viewControllers().front().get(), animated);
    }
    updateAnimating();
    return popped;
}

platform::NavigationController::Stack ZVNavigationController::popToViewController(
    const platform::ViewController* controller, bool animated) {
    logState();
    ZVLogError(u"PopToViewController: <%@> animated = %@",
               controller ? describe(*controller) : QString(), yesNo(animated));
    animatingPending_ = animated;
    auto popped = platform::NavigationController::popToViewController(controller, animated);
    updateAnimating();
    return popped;
}

unsigned ZVNavigationController::supportedInterfaceOrientations() const {
    if (const platform::ViewController* top = topViewController()) {
        return top->supportedInterfaceOrientations();
    }
    return platform::NavigationController::supportedInterfaceOrientations();
}
