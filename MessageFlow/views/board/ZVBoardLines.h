#pragma once

#include "MessageFlow/views/ZVMessageView.h"
#include "MessageFlow/views/ZVMessageViewCells.h"

#include <QtCore/QDateTime>
#include <QtCore/QString>

class Message;

// What the pin and task views share: when their status lines are left out, and how names and dates
// fill their formats.
namespace ZVBoardLines {

// A board's collapsed row shows its text alone.
inline bool isCollapsedRow(const ZVMessageViewCells* cells, int expandState) {
    return cells && cells->listStyle() && expandState == ZVMessageView::kCollapsed;
}

// The full name of the account in the message's session; "" without a session.
QString fullNameOf(const Message& message, const QString& accountId);
QString formatDate(const QDateTime& date);

}  // namespace ZVBoardLines
