#pragma once

namespace platform {

class ViewController;
class Window;

// The controller that shows what is on top of `window` now (its root, or the last one presented
// over it, whatever the style): where the stand-ins present their sheets from. Null without a
// root controller.
ViewController* topmostController(Window& window);

}  // namespace platform
