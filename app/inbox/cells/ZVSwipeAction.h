#pragma once

#include "platform/foundation/TextAttributes.h"

#include <QtCore/QString>

#include <optional>

// What a swipe (or a menu) does to an inbox row's conversation. The numbers are the row's action
// codes; a row swipe offers only mark read or unread (right) and mute (left).
enum class ZVSwipeAction : int {
    None = 0,
    MarkRead = 1,
    MarkUnread = 2,
    Star = 3,
    Archive = 4,
    Unarchive = 5,
    Mute = 6,
};

struct ZVSwipeActionLook {
    QString imageName;
    platform::Color stripColor;
    // The analytics label; null for an action that reports nothing.
    QString eventLabel;
};

// None for None and for codes without an action.
std::optional<ZVSwipeActionLook> swipeActionLook(int code);
