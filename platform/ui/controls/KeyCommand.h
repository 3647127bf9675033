#pragma once

#include "platform/ui/view/Responder.h"

#include <QtCore/QLatin1StringView>
#include <QtCore/QString>

#include <functional>

namespace platform {

// A hardware-key shortcut a responder offers: an input (a character, "\r" for return, or one of
// the named keys below) with exactly these modifiers runs the action.
struct KeyCommand {
    static constexpr QLatin1StringView UpArrow{"UpArrow"};
    static constexpr QLatin1StringView DownArrow{"DownArrow"};
    static constexpr QLatin1StringView LeftArrow{"LeftArrow"};
    static constexpr QLatin1StringView RightArrow{"RightArrow"};
    static constexpr QLatin1StringView Escape{"Escape"};

    QString input;
    Qt::KeyboardModifiers modifiers;
    std::function<void()> action;

    bool matches(const KeyPress& key) const;
    // The input a key press stands for ("" when none).
    static QString inputOf(const KeyPress& key);
};

}  // namespace platform
