#include "accounts/settings/ZVRequestsViewController.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/markup/XMLEncoding.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "accounts/settings/ZVFileTransferCell.h"
#include "accounts/settings/ZVRequestCell.h"
#include "platform/net/BackgroundUrlSession.h"
#include "platform/net/BackgroundUrlSessionTask.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/tables/ZVTableView.h"

#include <vector>

namespace {

// Adds a section of rows under its header, the first row opening and the last closing the group;
// nothing for no rows.
void addRequestsSection(ZVDialogCells& screen, const QString& title,
                        const std::vector<std::shared_ptr<ZVLabelCell>>& rows) {
    if (rows.empty()) {
        return;
    }
    screen.addHeader(title);
    rows.front()->setBeginsGroup(true);
    rows.back()->setEndsGroup(true);
    for (const auto& row : rows) {
        screen.addCell(row);
    }
}

std::vector<std::shared_ptr<ZVLabelCell>> apiStatusRequestRows(const ZVApi::RequestList& requests) {
    std::vector<std::shared_ptr<ZVLabelCell>> rows;
    for (const auto& request : requests) {
        rows.push_back(std::make_shared<ZVRequestCell>(request));
    }
    return rows;
}

}  // namespace

ZVRequestsViewController::ZVRequestsViewController() {
    setTitle(kTitle);
    tableView()->setBackgroundColor(platform::resolveColor(ZVColors::background()));
    updateItems();
}

ZVRequestsViewController::~ZVRequestsViewController() = default;

void ZVRequestsViewController::updateItems() {
    ++rebuildCount_;
    ZVApi& api = ZVApi::api();
    std::vector<std::shared_ptr<ZVLabelCell>> uploads;
    std::vector<std::shared_ptr<ZVLabelCell>> downloads;
    if (const auto& transfers = api.fileTransfers(); transfers && transfers->session()) {
        for (const auto& task : transfers->session()->getAllTasks()) {
            auto& list = task->kind() == platform::BackgroundUrlSessionTask::Kind::Upload
                             ? uploads
                             : downloads;
            list.push_back(std::make_shared<ZVFileTransferCell>(task));
        }
    }
    ZVApi::RequestList queued;
    for (const auto& entry : api.queuedRequests()) {
        queued.push_back(entry.second);
    }
    resetCells();
    addRequestsSection(*this, QStringLiteral("Pending requests"),
                       apiStatusRequestRows(api.pendingRequests()));
    addRequestsSection(*this, QStringLiteral("Queued requests"), apiStatusRequestRows(queued));
    addRequestsSection(*this, QStringLiteral("Uploads"), uploads);
    addRequestsSection(*this, QStringLiteral("Downloads"), downloads);
    addRequestsSection(*this, QStringLiteral("Recent requests"),
                       apiStatusRequestRows(api.recentRequests()));
    tableView()->reloadData();
}

void ZVRequestsViewController::refreshRows() {
    for (int i = 0; i < count(); ++i) {
        const auto* cell = std::get_if<std::shared_ptr<ZVDialogCell>>(&(*this)[i]);
        if (!cell) {
            continue;
        }
        if (const auto request = std::dynamic_pointer_cast<ZVRequestCell>(*cell)) {
            request->refresh();
        } else if (const auto transfer = std::dynamic_pointer_cast<ZVFileTransferCell>(*cell)) {
            transfer->refresh();
        }
    }
}

void ZVRequestsViewController::inspectRequest(const ZVApiRequest& request) {
    // The card shows the start of the text; the log gets all of it, as it was when shown.
    const QString description = request.description();
    ZVAlertView::showConfirmationWithTitle(
        QStringLiteral("Request"), xmlEncoded(description.left(kDescriptionLimit)),
        QStringLiteral("Log"), [description] { ZVErrorLog::errorLog().logMessage(description); });
}

void ZVRequestsViewController::didSelectRow(int row) {
    ZVDialogCells::didSelectRow(row);
    const auto source = cellSourceForRow(row);
    const auto* cell =
        source ? std::get_if<std::shared_ptr<ZVDialogCell>>(&source->entry) : nullptr;
    if (const auto requestCell = cell ? std::dynamic_pointer_cast<ZVRequestCell>(*cell) : nullptr) {
        if (const auto request = requestCell->request()) {
            inspectRequest(*request);
        }
    }
}

void ZVRequestsViewController::viewWillAppear(bool animated) {
    ZVDialogCells::viewWillAppear(animated);
    updateItems();
    observations_.clear();
    ZVApi& api = ZVApi::api();
    observations_.add(api.observe(
        QStringList{QString(ZVApi::PendingRequestsKey), QString(ZVApi::QueuedRequestsKey)},
        [this](const QString&) { updateItems(); }));
    if (const auto& transfers = api.fileTransfers()) {
        observations_.add(transfers->observe(QString(ZVFileTransfers::NumberInProgressKey),
                                             [this](const QString&) { updateItems(); }));
    }
    refreshTimer_ = platform::Scheduler::main().every(kRefreshInterval, [this] { refreshRows(); });
}

void ZVRequestsViewController::viewWillDisappear(bool animated) {
    ZVDialogCells::viewWillDisappear(animated);
    observations_.clear();
    refreshTimer_.cancel();
}
