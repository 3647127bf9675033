#include "platform/ui/StartUp.h"

#include "platform/ui/animation/AnimationDriver.h"

namespace platform {

void startUpUi() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    // Registers the driver's reset with the shared state before any test can need it.
    AnimationDriver::shared();
}

}  // namespace platform
