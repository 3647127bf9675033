#pragma once

#include "MessageFlow/rows/accessories/ZVMessageAccessoryClass.h"
#include "MessageFlow/views/ZVMessageViewClass.h"

#include <QtCore/QString>

#include <memory>

class Message;
class ZVConversationCells;
class ZVMessageCell;

// The four kinds of message row, each adding one layer to the one before.
enum class ZVMessageCellClass {
    Plain,
    Avatar,
    Accessorized,
    AccessorizedWithNew,
};

QString ZVMessageCellClassName(ZVMessageCellClass cellClass);
bool ZVIsAccessorizedCellClass(ZVMessageCellClass cellClass);
// The cell's share of a row's height (its margins and header).
qreal ZVMessageCellHeight(ZVMessageCellClass cellClass, const std::shared_ptr<Message>& message,
                          const ZVConversationCells& cells, bool groupedWithNext,
                          bool groupedWithPrevious);
// A new cell of the class; the accessories count only for the accessorized classes.
std::shared_ptr<ZVMessageCell> ZVMakeMessageCell(ZVMessageCellClass cellClass,
                                                 std::weak_ptr<ZVConversationCells> cells,
                                                 ZVMessageViewClass viewClass,
                                                 const QString& reuseIdentifier,
                                                 ZVMessageAccessoryClass top,
                                                 ZVMessageAccessoryClass bottom);
