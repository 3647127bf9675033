#include "MessageFlow/views/ZVMessageViewClass.h"

#include "MessageFlow/views/ZVHtmlMessageView.h"
#include "MessageFlow/views/ZVSystemMessageView.h"
#include "MessageFlow/views/board/ZVPinnedMessageView.h"
#include "MessageFlow/views/board/ZVSeparatorMessageView.h"
#include "MessageFlow/views/board/ZVTaskMessageView.h"

std::shared_ptr<ZVMessageView> ZVMakeMessageView(ZVMessageViewClass viewClass,
                                                 std::weak_ptr<ZVMessageViewCell> cell) {
    switch (viewClass) {
        case ZVMessageViewClass::Plain:
            return std::make_shared<ZVMessageView>(std::move(cell));
        case ZVMessageViewClass::Text:
            return std::make_shared<ZVTextMessageView>(std::move(cell));
        case ZVMessageViewClass::System:
            return std::make_shared<ZVSystemMessageView>(std::move(cell));
        case ZVMessageViewClass::Email:
            return std::make_shared<ZVEmailMessageView>(std::move(cell));
        case ZVMessageViewClass::Html:
            return std::make_shared<ZVHtmlMessageView>(std::move(cell));
        case ZVMessageViewClass::Pinned:
            return std::make_shared<ZVPinnedMessageView>(std::move(cell));
        case ZVMessageViewClass::Task:
            return std::make_shared<ZVTaskMessageView>(std::move(cell));
        case ZVMessageViewClass::Separator:
            return std::make_shared<ZVSeparatorMessageView>(std::move(cell));
    }
    return nullptr;
}

qreal ZVMessageViewHeight(ZVMessageViewClass viewClass, const std::shared_ptr<Message>& message,
                          qreal width, const ZVMessageViewCells& cells) {
    switch (viewClass) {
        case ZVMessageViewClass::Plain:
            return ZVMessageView::heightForMessage(message, width, cells);
        case ZVMessageViewClass::Text:
            return ZVTextMessageView::heightForMessage(message, width, cells);
        case ZVMessageViewClass::System:
            return ZVSystemMessageView::heightForMessage(message, width, cells);
        case ZVMessageViewClass::Email:
        case ZVMessageViewClass::Html:
            return ZVEmailMessageView::heightForMessage(message, width, cells);
        case ZVMessageViewClass::Pinned:
            return ZVPinnedMessageView::heightForMessage(message, width, cells);
        case ZVMessageViewClass::Task:
            return ZVTaskMessageView::heightForMessage(message, width, cells);
        case ZVMessageViewClass::Separator:
            return ZVSeparatorMessageView::heightForMessage(message, width, cells);
    }
    return 0;
}

QString ZVMessageViewClassName(ZVMessageViewClass viewClass) {
    switch (viewClass) {
        case ZVMessageViewClass::Plain:
            return QStringLiteral("ZVMessageView");
        case ZVMessageViewClass::Text:
            return QStringLiteral("ZVTextMessageView");
        case ZVMessageViewClass::System:
            return QStringLiteral("ZVSystemMessageView");
        case ZVMessageViewClass::Email:
            return QStringLiteral("ZVEmailMessageView");
        case ZVMessageViewClass::Html:
            return QStringLiteral("ZVHtmlMessageView");
        case ZVMessageViewClass::Pinned:
            return QStringLiteral("ZVPinnedMessageView");
        case ZVMessageViewClass::Task:
            return QStringLiteral("ZVTaskMessageView");
        case ZVMessageViewClass::Separator:
            return QStringLiteral("ZVSeparatorMessageView");
    }
    return {};
}
