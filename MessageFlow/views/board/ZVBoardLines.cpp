#include "MessageFlow/views/board/ZVBoardLines.h"

#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/ZVLocalization.h"

namespace ZVBoardLines {

QString fullNameOf(const Message& message, const QString& accountId) {
    const auto session = std::dynamic_pointer_cast<ZVRepositorySession>(message.session());
    return session ? session->fullNameOfContact(accountId) : QString();
}

QString formatDate(const QDateTime& date) {
    return ZVLocalization::formatDateAndTime(date);
}

}  // namespace ZVBoardLines
