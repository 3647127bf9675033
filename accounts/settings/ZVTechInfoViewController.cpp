#include "accounts/settings/ZVTechInfoViewController.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "accounts/settings/ZVErrorLogViewController.h"
#include "accounts/settings/ZVRequestsViewController.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/dialogs/ZVHeaderCell.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/tables/ZVTableView.h"

#include <cmath>

namespace {

// The platform's plain red: a failure stands out from the palette.
constexpr platform::Color kTechInfoRed{255, 0, 0, 255};

}  // namespace

ZVTechInfoViewController::StatusLook ZVTechInfoViewController::lookOfStatus(int connectionStatus) {
    switch (connectionStatus) {
        case ZVApi::ConnectionStatusOffline:
            return {QStringLiteral("Offline"), kTechInfoRed};
        case ZVApi::ConnectionStatusConnecting:
            return {QStringLiteral("Connecting"), ZVColors::text()};
        case ZVApi::ConnectionStatusOnline:
            return {QStringLiteral("Online"), ZVColorTable::colorWithName(QStringLiteral("green"))};
        case ZVApi::ConnectionStatusActivity:
            return {QStringLiteral("Activity"),
                    ZVColorTable::colorWithName(QStringLiteral("green"))};
        default:
            return {QStringLiteral("Error"), kTechInfoRed};
    }
}

QString ZVTechInfoViewController::intervalText(const QDateTime& date) {
    const double seconds =
        date.isValid() ? double(platform::Scheduler::main().currentDate().msecsTo(date)) / 1000.0
                       : 0.0;
    return ZVLocalization::formatTimeInterval(seconds, true, true);
}

QString ZVTechInfoViewController::progressText(double progress) {
    return platform::format(u"%ld%%", static_cast<long>(std::trunc(progress * 100)));
}

ZVTechInfoViewController::ZVTechInfoViewController(std::shared_ptr<ZVRepositorySession> session)
    : session_(std::move(session)) {
    setTitle(kTitle);
    updateItems();
}

ZVTechInfoViewController::~ZVTechInfoViewController() = default;

std::shared_ptr<ZVLabelCell> ZVTechInfoViewController::addRow(const QString& title,
                                                              const QString& detail) {
    auto cell = std::make_shared<ZVLabelCell>();
    cell->setLabelText(title);
    cell->setDetailText(detail);
    addCell(cell);
    return cell;
}

void ZVTechInfoViewController::addStats(const QString& title, const ZVApiStats* stats) {
    auto header = std::make_shared<ZVHeaderCell>();
    header->setTitle(title, 0);
    addCell(header);
    const auto number = [stats](std::int32_t (ZVApiStats::*counter)() const) {
        return ZVLocalization::formatNumber(stats ? (stats->*counter)() : 0);
    };
    addRow(QStringLiteral("Bytes sent"), number(&ZVApiStats::bytesSent))->setBeginsGroup(true);
    addRow(QStringLiteral("Bytes received"), number(&ZVApiStats::bytesReceived));
    addRow(QStringLiteral("Messages sent"), number(&ZVApiStats::messagesSent));
    addRow(QStringLiteral("Messages received"), number(&ZVApiStats::messagesReceived))
        ->setEndsGroup(true);
}

void ZVTechInfoViewController::updateItems() {
    ++rebuildCount_;
    resetCells();
    updatePending_ = false;
    updateTimer_.cancel();
    retryTimeCell_.reset();
    lastRespCell_.reset();
    syncProgressCell_.reset();
    errorLogCell_.reset();
    ZVApi& api = ZVApi::api();

    addHeader(QStringLiteral("Status"));
    const StatusLook look = lookOfStatus(api.connectionStatus());
    statusCell_ = addRow(QStringLiteral("Connection state"), look.word);
    statusCell_->detailTextLabel()->setTextColor(platform::resolveColor(look.color));
    statusCell_->setHeight(ZVDialogCell::kDefaultHeight + kStatusRowExtraHeight);
    statusCell_->setBeginsGroup(true);
    bool groupEnded = false;
    if (api.connectionStatus() == ZVApi::ConnectionStatusOffline) {
        retryTimeCell_ =
            addRow(QStringLiteral("Next retry"), intervalText(api.nextConnectionTime()));
        const auto& stats = api.cumulativeStats();
        lastRespCell_ = addRow(QStringLiteral("Last sync"),
                               intervalText(stats ? stats->lastResponseTime() : QDateTime()));
        lastRespCell_->setEndsGroup(true);
        groupEnded = true;
        retryClock_ =
            platform::Scheduler::main().after(kRetryClockInterval, [this] { updateRetryTime(); });
    } else if (api.connectionStatus() == ZVApi::ConnectionStatusConnecting &&
               session_->syncProgress() < kSyncShownBelow) {
        syncProgressCell_ =
            addRow(QStringLiteral("Synchronization"), progressText(session_->syncProgress()));
        syncProgressCell_->setEndsGroup(true);
        groupEnded = true;
    }
    const auto conversations =
        addRow(QStringLiteral("Number of conversations"),
               ZVLocalization::formatNumber(session_->conversations().size()));
    // The offline and connecting rows close the status group: the count is a group of its own.
    conversations->setBeginsGroup(groupEnded);
    conversations->setEndsGroup(true);

    addStats(QStringLiteral("Total"), api.cumulativeStats().get());
    addStats(QStringLiteral("This session"), api.sessionStats().get());

    if (ZVErrorLog::errorLog().logFileSize() > 0) {
        addHeader(QStringLiteral("Other"));
        errorLogCell_ = addRow(QStringLiteral("Error log"), QString());
        errorLogCell_->setDetailStyle(true);
        errorLogCell_->setBeginsGroup(true);
        errorLogCell_->setEndsGroup(true);
    }
    tableView()->reloadData();
}

void ZVTechInfoViewController::updateRetryTime() {
    if (!retryTimeCell_) {
        return;
    }
    ZVApi& api = ZVApi::api();
    if (const QDateTime next = api.nextConnectionTime(); next.isValid()) {
        retryTimeCell_->setDetailText(intervalText(next));
    }
    const auto& stats = api.cumulativeStats();
    lastRespCell_->setDetailText(intervalText(stats ? stats->lastResponseTime() : QDateTime()));
    retryClock_ =
        platform::Scheduler::main().after(kRetryClockInterval, [this] { updateRetryTime(); });
}

void ZVTechInfoViewController::scheduleUpdate() {
    if (updatePending_) {
        return;
    }
    updatePending_ = true;
    updateTimer_ = platform::Scheduler::main().after(kRebuildDelay, [this] { updateItems(); });
}

void ZVTechInfoViewController::updateSyncProgress() {
    if (syncProgressCell_) {
        syncProgressCell_->setDetailText(progressText(session_->syncProgress()));
    }
}

void ZVTechInfoViewController::didSelectRow(int row) {
    ZVDialogCells::didSelectRow(row);
    const auto source = cellSourceForRow(row);
    const auto* cell =
        source ? std::get_if<std::shared_ptr<ZVDialogCell>>(&source->entry) : nullptr;
    auto* navigation = navigationController();
    if (!cell || !navigation) {
        return;
    }
    if (errorLogCell_ && *cell == errorLogCell_) {
        navigation->pushViewController(make<ZVErrorLogViewController>(session_), true);
    } else if (*cell == statusCell_) {
        navigation->pushViewController(make<ZVRequestsViewController>(), true);
    }
}

void ZVTechInfoViewController::viewWillAppear(bool animated) {
    ZVDialogCells::viewWillAppear(animated);
    updateItems();
    observations_.clear();
    const QStringList keys{QString(ZVApi::ConnectionStatusKey), QString(ZVApi::SessionStatsKey),
                           QString(ZVApi::CumulativeStatsKey),
                           QString(ZVApi::NextConnectionTimeKey)};
    observations_.add(ZVApi::api().observe(keys, [this](const QString&) { scheduleUpdate(); }));
    observations_.add(session_->observe(QString(ZVApi::SyncProgressKey),
                                        [this](const QString&) { updateSyncProgress(); }));
}

void ZVTechInfoViewController::viewWillDisappear(bool animated) {
    ZVDialogCells::viewWillDisappear(animated);
    observations_.clear();
    // Off screen nothing is rebuilt; coming back rebuilds anyway.
    updateTimer_.cancel();
    updatePending_ = false;
}
