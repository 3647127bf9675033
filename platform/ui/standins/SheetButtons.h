#pragma once

#include "platform/ui/controls/Button.h"

#include <functional>
#include <memory>

namespace platform {

// A system button of the stand-ins' bars, sheets and pages. Its action runs on the next turn of
// the run loop, and only while the button still exists: the action may take the button, and the
// sheet around it, off the screen.
std::shared_ptr<Button> makeSheetButton(const QString& title, std::function<void()> action);

// The button's title in the system font of `pointSize`.
void setSheetButtonFont(Button& button, qreal pointSize, bool bold = false);

}  // namespace platform
