#pragma once

#include <QtCore/QString>
#include <QtCore/QtGlobal>

#include <memory>

class Message;
class ZVMessageView;
class ZVMessageViewCell;
class ZVMessageViewCells;

// The classes of message views, as the table model chooses one per message: it makes the view
// of a class for a cell and asks the class for a row's height without a view.
enum class ZVMessageViewClass {
    Plain,
    Text,
    System,
    Email,
    Html,
    Pinned,
    Task,
    Separator,
};

std::shared_ptr<ZVMessageView> ZVMakeMessageView(ZVMessageViewClass viewClass,
                                                 std::weak_ptr<ZVMessageViewCell> cell);
qreal ZVMessageViewHeight(ZVMessageViewClass viewClass, const std::shared_ptr<Message>& message,
                          qreal width, const ZVMessageViewCells& cells);
// The class's own name, as rows' reuse identifiers spell it.
QString ZVMessageViewClassName(ZVMessageViewClass viewClass);
