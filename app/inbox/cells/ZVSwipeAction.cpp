#include "app/inbox/cells/ZVSwipeAction.h"

#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVColors.h"

using namespace Qt::Literals::StringLiterals;

std::optional<ZVSwipeActionLook> swipeActionLook(int code) {
    switch (static_cast<ZVSwipeAction>(code)) {
        case ZVSwipeAction::MarkRead:
            return ZVSwipeActionLook{u"icon-action-markasread"_s, colorWithName(u"green"_s),
                                     u"markread-swipe"_s};
        case ZVSwipeAction::MarkUnread:
            return ZVSwipeActionLook{u"icon-action-markunread"_s, colorWithName(u"green"_s),
                                     u"markunread-swipe"_s};
        case ZVSwipeAction::Star:
            return ZVSwipeActionLook{u"icon-action-pin"_s, ZVColors::logo(), {}};
        case ZVSwipeAction::Archive:
            return ZVSwipeActionLook{u"icon-action-archive"_s, colorWithName(u"orange"_s),
                                     u"archive-swipe"_s};
        case ZVSwipeAction::Unarchive:
            return ZVSwipeActionLook{u"icon-action-unarchive"_s, colorWithName(u"orange"_s),
                                     u"unarchive-swipe"_s};
        case ZVSwipeAction::Mute:
            return ZVSwipeActionLook{u"icon-action-mute"_s, ZVColors::logo(), {}};
        case ZVSwipeAction::None:
            break;
    }
    return std::nullopt;
}
