#pragma once

#include "platform/ui/standins/input/KeyboardTraits.h"

#include <Qt>

namespace platform {

// What a text input tells the host's input method, so that an on-screen panel offers the keys
// the input wants: the keyboard type as hints (secure text is neither predicted nor remembered),
// the return key as the enter key's label.
Qt::InputMethodHints inputMethodHints(KeyboardType type, bool secure);
Qt::EnterKeyType enterKeyType(ReturnKeyType type);

}  // namespace platform
