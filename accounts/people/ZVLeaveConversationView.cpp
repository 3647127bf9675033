#include "accounts/people/ZVLeaveConversationView.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "accounts/ZVServiceAddresses.h"
#include "platform/ui/controllers/ViewController.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVConfirmationAlertView.h"
#include "toolkit/dialogs/ZVDialogCells.h"
#include "toolkit/dialogs/ZVOptionCell.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/tables/ZVTableView.h"

std::shared_ptr<ZVLeaveConversationView> ZVLeaveConversationView::make(
    const std::shared_ptr<Conversation>& conversation) {
    auto view = std::make_shared<ZVLeaveConversationView>(conversation);
    // The card holds the view until it is dismissed, whichever button ends it.
    view->pendingAlert_ = ZVAlertView::confirmationWithTitle(kTitle, QString(), kConfirmTitle,
                                                             [view] { view->leaveConversation(); });
    view->pendingAlert_->setViews({view->abuse_->tableView()});
    view->alertView_ = view->pendingAlert_;
    return view;
}

ZVLeaveConversationView::ZVLeaveConversationView(std::shared_ptr<Conversation> conversation)
    : conversation_(std::move(conversation)) {
    abuse_ = platform::ViewController::make<ZVDialogCells>();
    reportOption_ = std::make_shared<ZVOptionCell>();
    reportOption_->setTitle(kReportTitle);
    reportOption_->setBeginsGroup(false);
    reportOption_->setEndsGroup(false);
    reportOption_->setIndents(false);
    abuse_->addCell(reportOption_);
    const auto& table = abuse_->tableView();
    table->setFrame(QRectF(0, 0, kTableWidth, abuse_->heightForRow(0) + kTableExtraHeight));
    table->reloadData();
}

ZVLeaveConversationView::~ZVLeaveConversationView() = default;

QString ZVLeaveConversationView::reportText(Conversation& conversation) {
    return kReportFormat.arg(conversation.conversationId(), conversation.topicText());
}

void ZVLeaveConversationView::show() {
    if (const auto card = std::move(pendingAlert_)) {
        card->show();
    }
}

void ZVLeaveConversationView::leaveConversation() {
    const auto conversation = conversation_;
    const bool report = reportOption_->checked();
    conversation->leave();
    ZVScreenCoordinator::shared().setConversationId(QString(), true);
    if (!report) {
        return;
    }
    const auto session = std::dynamic_pointer_cast<ZVRepositorySession>(conversation->session());
    const auto reports =
        session ? session->conversationFromId(ZVServiceAddresses::shared().abuseReport) : nullptr;
    if (reports) {
        reports->postMessage(reportText(*conversation), QString(), {});
    }
}
