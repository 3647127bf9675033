#include "MessageFlow/rows/cells/ZVMessageCellClass.h"

#include "MessageFlow/rows/cells/ZVAccessorizedMessageCellWithNew.h"

QString ZVMessageCellClassName(ZVMessageCellClass cellClass) {
    switch (cellClass) {
        case ZVMessageCellClass::Plain:
            break;
        case ZVMessageCellClass::Avatar:
            return QStringLiteral("ZVAvatarMessageCell");
        case ZVMessageCellClass::Accessorized:
            return QStringLiteral("ZVAccessorizedMessageCell");
        case ZVMessageCellClass::AccessorizedWithNew:
            return QStringLiteral("ZVAccessorizedMessageCellWithNew");
    }
    return QStringLiteral("ZVMessageCell");
}

bool ZVIsAccessorizedCellClass(ZVMessageCellClass cellClass) {
    return cellClass == ZVMessageCellClass::Accessorized ||
           cellClass == ZVMessageCellClass::AccessorizedWithNew;
}

qreal ZVMessageCellHeight(ZVMessageCellClass cellClass, const std::shared_ptr<Message>& message,
                          const ZVConversationCells& cells, bool groupedWithNext,
                          bool groupedWithPrevious) {
    if (cellClass == ZVMessageCellClass::Plain) {
        return ZVMessageCell::heightWithMessage(message, cells, groupedWithNext,
                                                groupedWithPrevious);
    }
    return ZVAvatarMessageCell::heightWithMessage(message, cells, groupedWithNext,
                                                  groupedWithPrevious);
}

std::shared_ptr<ZVMessageCell> ZVMakeMessageCell(ZVMessageCellClass cellClass,
                                                 std::weak_ptr<ZVConversationCells> cells,
                                                 ZVMessageViewClass viewClass,
                                                 const QString& reuseIdentifier,
                                                 ZVMessageAccessoryClass top,
                                                 ZVMessageAccessoryClass bottom) {
    switch (cellClass) {
        case ZVMessageCellClass::Plain:
            break;
        case ZVMessageCellClass::Avatar:
            return ZVMessageCell::make<ZVAvatarMessageCell>(std::move(cells), viewClass,
                                                            reuseIdentifier);
        case ZVMessageCellClass::Accessorized:
            return ZVMessageCell::make<ZVAccessorizedMessageCell>(std::move(cells), viewClass,
                                                                  reuseIdentifier, top, bottom);
        case ZVMessageCellClass::AccessorizedWithNew:
            return ZVMessageCell::make<ZVAccessorizedMessageCellWithNew>(
                std::move(cells), viewClass, reuseIdentifier, top, bottom);
    }
    return ZVMessageCell::make<ZVMessageCell>(std::move(cells), viewClass, reuseIdentifier);
}
