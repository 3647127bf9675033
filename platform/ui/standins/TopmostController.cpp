#include "platform/ui/standins/TopmostController.h"

#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/view/Window.h"

namespace platform {

ViewController* topmostController(Window& window) {
    ViewController* top = window.rootViewController().get();
    while (top != nullptr && top->presentedViewController()) {
        top = top->presentedViewController().get();
    }
    return top;
}

}  // namespace platform
