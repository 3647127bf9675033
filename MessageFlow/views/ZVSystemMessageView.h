#pragma once

#include "MessageFlow/views/ZVBaseMessageView.h"

// Conversation events and collapsed spam: the base view with its expand button.
class ZVSystemMessageView : public ZVBaseMessageView {
public:
    using ZVBaseMessageView::ZVBaseMessageView;
    bool showsExpandButton() const override { return true; }
    static qreal heightForMessage(const std::shared_ptr<Message>& message, qreal width,
                                  const ZVMessageViewCells& cells) {
        return ZVBaseMessageView::heightForMessage(message, width, cells) +
               expandButtonHeight(message);
    }
};
