#pragma once

#include "platform/foundation/Observable.h"

#include <QtCore/QString>

#include <memory>

class Conversation;
class ZVConfirmationAlertView;
class ZVDialogCells;
class ZVOptionCell;

// The confirmation card for leaving a conversation, with the option to report abuse at the same
// time: the report is a message into the one-to-one conversation with the operator's abuse
// address. Its card keeps it alive while it shows.
class ZVLeaveConversationView : public std::enable_shared_from_this<ZVLeaveConversationView> {
public:
    static inline const QString kTitle = QStringLiteral("Leave conversation");
    static inline const QString kConfirmTitle = QStringLiteral("Leave");
    static inline const QString kReportTitle = QStringLiteral("Report abuse");
    static inline const QString kReportFormat =
        QStringLiteral("Reported abusive behavior in conversation \"%1\" (%2)");
    static constexpr qreal kTableWidth = 100;
    static constexpr qreal kTableExtraHeight = 10;

    static std::shared_ptr<ZVLeaveConversationView> make(
        const std::shared_ptr<Conversation>& conversation);
    explicit ZVLeaveConversationView(std::shared_ptr<Conversation> conversation);
    ~ZVLeaveConversationView();

    const std::shared_ptr<Conversation>& conversation() const { return conversation_; }
    const std::shared_ptr<ZVDialogCells>& abuse() const { return abuse_; }
    const std::shared_ptr<ZVOptionCell>& reportOption() const { return reportOption_; }
    std::shared_ptr<ZVConfirmationAlertView> alertView() const {
        return pendingAlert_ ? pendingAlert_ : alertView_.lock();
    }

    // The report's text: the conversation's id and topic as they are (it is sent as text).
    static QString reportText(Conversation& conversation);

    void show();
    // What "Leave" does.
    void leaveConversation();

private:
    std::shared_ptr<Conversation> conversation_;
    std::shared_ptr<ZVDialogCells> abuse_;
    std::shared_ptr<ZVOptionCell> reportOption_;
    // Held until shown; from then on the card, which holds this view, is the manager's.
    std::shared_ptr<ZVConfirmationAlertView> pendingAlert_;
    std::weak_ptr<ZVConfirmationAlertView> alertView_;
};
