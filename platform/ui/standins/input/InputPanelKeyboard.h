#pragma once

#include "platform/ui/standins/input/Keyboard.h"

namespace platform {

// The keyboard of the desktop the application runs on: the input method's on-screen panel when
// the desktop has one (asked to show and hide with the text inputs), else the hardware keyboard,
// which takes no room on screen. Panel rectangles are in the focused window's logical pixels,
// which are the window's points.
class InputPanelKeyboard : public Keyboard {
protected:
    QRectF frameFor(const KeyboardRequest& request) override;
    void willHide() override;
};

}  // namespace platform
