#include "platform/ui/controllers/WindowControllers.h"

#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/PresentationContainerView.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/view/Window.h"

#include <memory>

namespace platform {

ViewController* topFullScreenController(Window& window) {
    ViewController* top = window.rootViewController().get();
    while (top != nullptr) {
        const auto presented = top->presentedViewController();
        if (!presented || presented->modalPresentationStyle() !=
                              ViewController::ModalPresentationStyle::FullScreen) {
            break;
        }
        top = presented.get();
    }
    return top;
}

ViewController* statusBarController(Window& window) {
    ViewController* controller = topFullScreenController(window);
    while (controller != nullptr) {
        ViewController* child = controller->childViewControllerForStatusBar();
        if (child == nullptr) {
            break;
        }
        controller = child;
    }
    return controller;
}

void updateStatusBarAppearance(Window& window) {
    const ViewController* controller = statusBarController(window);
    if (controller == nullptr) {
        return;
    }
    StatusBarAppearance appearance;
    appearance.hidden = controller->prefersStatusBarHidden();
    appearance.style = static_cast<int>(controller->preferredStatusBarStyle());
    appearance.animation = static_cast<int>(controller->preferredStatusBarUpdateAnimation());
    window.setStatusBarAppearance(appearance);
}

bool rotateWindow(Window& window, InterfaceOrientation orientation, TimeInterval duration) {
    ViewController* top = topFullScreenController(window);
    if (top != nullptr && (!top->shouldAutorotate() ||
                           (top->supportedInterfaceOrientations() & maskOf(orientation)) == 0)) {
        return false;
    }
    const QSizeF current = window.profile().size;
    const qreal shortSide = std::min(current.width(), current.height());
    const qreal longSide = std::max(current.width(), current.height());
    const QSizeF size =
        isLandscape(orientation) ? QSizeF(longSide, shortSide) : QSizeF(shortSide, longSide);
    window.setInterfaceOrientation(static_cast<int>(orientation));
    if (size == current) {
        return true;
    }
    auto coordinator = std::make_shared<TransitionCoordinator>(duration, duration > 0, false);
    for (ViewController* c = window.rootViewController().get(); c != nullptr;
         c = c->presentedViewController().get()) {
        c->viewWillTransitionToSize(size, *coordinator);
    }
    DeviceProfile profile = window.profile();
    profile.size = size;
    ViewAnimation::animate(
        duration,
        [&] {
            window.setProfile(profile);
            for (const auto& subview : window.subviews()) {
                if (dynamic_cast<PresentationContainerView*>(subview.get()) != nullptr) {
                    subview->setFrame(window.bounds());
                }
            }
            window.layoutIfNeeded();
            coordinator->runAlongsideAnimations();
        },
        [coordinator](bool) { coordinator->complete(false); });
    return true;
}

}  // namespace platform
