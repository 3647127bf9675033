#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/ui/controllers/InterfaceOrientation.h"

namespace platform {

class ViewController;
class Window;

// The controller on top of `window`: its root, or the last full-screen controller presented over
// it. It answers for orientations.
ViewController* topFullScreenController(Window& window);
// The controller whose status-bar answers count (the top one, or the child it names).
ViewController* statusBarController(Window& window);
// Reads the status-bar answers again into the window's record.
void updateStatusBarAppearance(Window& window);

// Turns the interface to `orientation` when the top controller allows it: the controllers are
// told the new size first, the window takes it over `duration` (at once for 0) and their
// coordinator's completions run when it is done. False, changing nothing, when refused.
bool rotateWindow(Window& window, InterfaceOrientation orientation, TimeInterval duration = 0.3);

}  // namespace platform
