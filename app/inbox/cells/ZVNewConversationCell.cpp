#include "app/inbox/cells/ZVNewConversationCell.h"

#include "platform/ui/controls/Label.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

ZVNewConversationCell::ZVNewConversationCell(Style style, QString reuseIdentifier)
    : ZVAvatarCell(style, std::move(reuseIdentifier)) {
    ZVTextStyles::styleLabel(*textLabel(), kTextStyle);
    textLabel()->setText(kText);
    setSeparator(true);
}

void ZVNewConversationCell::setAvatarSize(int size) {
    ZVAvatarCell::setAvatarSize(size);
    if (const auto& avatar = avatarView()) {
        avatar->setType(ZVAvatarView::kNew);
    }
}

QRectF ZVNewConversationCell::layoutWithRect(const QRectF& rect) {
    const QRectF inner = ZVAvatarCell::layoutWithRect(rect);
    alignViews({textLabel()}, inner, kTextFlags);
    return inner;
}
