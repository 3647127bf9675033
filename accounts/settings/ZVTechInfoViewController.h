#pragma once

#include "accounts/settings/ZVSignedInObservations.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/foundation/TextAttributes.h"
#include "toolkit/dialogs/ZVDialogCells.h"

#include <QtCore/QDateTime>

#include <memory>

class ZVApiStats;
class ZVLabelCell;
class ZVRepositorySession;

// "Tech info": the connection's state with its colour (and, offline, when the next retry comes
// and when the last sync was; while connecting, how far the synchronisation is), the number of
// conversations, the traffic counters of all time and of this login, and the error log when it
// holds anything. Rebuilt whole each time it comes on screen and once after a burst of changes.
class ZVTechInfoViewController : public ZVDialogCells {
public:
    static inline const QString kTitle = QStringLiteral("Tech info");
    // A burst of changes within this long costs one rebuild.
    static constexpr platform::TimeInterval kRebuildDelay = 1.0;
    // How often the offline times are rewritten.
    static constexpr platform::TimeInterval kRetryClockInterval = 10.0;
    // The synchronisation row shows only below this share.
    static constexpr double kSyncShownBelow = 0.99;
    static constexpr qreal kStatusRowExtraHeight = 10;

    // The word and colour of a connection status (ZVApi's numbers).
    struct StatusLook {
        QString word;
        platform::Color color;
    };
    static StatusLook lookOfStatus(int connectionStatus);
    // How far from now `date` lies, in words; an invalid date counts as now.
    static QString intervalText(const QDateTime& date);

    explicit ZVTechInfoViewController(std::shared_ptr<ZVRepositorySession> session);
    ~ZVTechInfoViewController() override;

    const std::shared_ptr<ZVRepositorySession>& session() const { return session_; }
    bool updatePending() const { return updatePending_; }
    const std::shared_ptr<ZVLabelCell>& statusCell() const { return statusCell_; }
    const std::shared_ptr<ZVLabelCell>& retryTimeCell() const { return retryTimeCell_; }
    const std::shared_ptr<ZVLabelCell>& lastRespCell() const { return lastRespCell_; }
    const std::shared_ptr<ZVLabelCell>& syncProgressCell() const { return syncProgressCell_; }
    const std::shared_ptr<ZVLabelCell>& errorLogCell() const { return errorLogCell_; }
    // How many times the screen was built.
    int rebuildCount() const { return rebuildCount_; }

    void updateItems();
    void updateRetryTime();
    void didSelectRow(int row) override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    std::shared_ptr<ZVLabelCell> addRow(const QString& title, const QString& detail);
    void addStats(const QString& title, const ZVApiStats* stats);
    void scheduleUpdate();
    void updateSyncProgress();
    static QString progressText(double progress);

    std::shared_ptr<ZVRepositorySession> session_;
    bool updatePending_ = false;
    int rebuildCount_ = 0;
    std::shared_ptr<ZVLabelCell> statusCell_;
    std::shared_ptr<ZVLabelCell> retryTimeCell_;
    std::shared_ptr<ZVLabelCell> lastRespCell_;
    std::shared_ptr<ZVLabelCell> syncProgressCell_;
    std::shared_ptr<ZVLabelCell> errorLogCell_;
    platform::ScopedTimer updateTimer_;
    platform::ScopedTimer retryClock_;
    ZVSignedInObservations observations_;
};
