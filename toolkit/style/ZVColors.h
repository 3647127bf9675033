#pragma once

#include "platform/foundation/TextAttributes.h"

// Shortcuts for the colour names the screens use most.
class ZVColors {
public:
    ZVColors() = delete;
    static platform::Color logo();
    static platform::Color background();
    static platform::Color border();
    static platform::Color task();
    static platform::Color pin();
    static platform::Color text();
    static platform::Color lightText();
    static platform::Color suppressedText();
    static platform::Color link();
    static platform::Color darkBlue();
    static platform::Color gray();
    static platform::Color orange();
    static platform::Color cellHighlight();
};
