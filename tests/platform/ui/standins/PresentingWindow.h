#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/standins/AlertController.h"
#include "platform/ui/view/Window.h"

// A window with a root controller to present from, and what tests do with the alerts shown in it.
struct PresentingWindow {
    // Longer than any presentation's or dismissal's animation.
    static constexpr double kPastTheAnimation = platform::ViewController::kCoverDuration + 0.05;

    explicit PresentingWindow(platform::DeviceProfile profile = platform::DeviceProfile::phone())
        : window(platform::Window::make(profile)) {
        window->setRootViewController(controller);
        root = controller->view();
    }

    // The alert shown over the root controller, if any.
    std::shared_ptr<platform::AlertController> alert() const {
        return std::dynamic_pointer_cast<platform::AlertController>(
            controller->presentedViewController());
    }
    // Chooses the action titled `title` of the alert shown; false when there is none.
    bool choose(const QString& title) const {
        const auto shown = alert();
        if (!shown) {
            return false;
        }
        for (std::size_t i = 0; i < shown->actions().size(); ++i) {
            if (shown->actions()[i]->title() == title) {
                return shown->chooseAction(static_cast<int>(i));
            }
        }
        return false;
    }
    static void finishAnimations() { platform::Scheduler::main().advance(kPastTheAnimation); }

    std::shared_ptr<platform::Window> window;
    std::shared_ptr<platform::ViewController> controller = platform::ViewController::make();
    std::shared_ptr<platform::View> root;
};
