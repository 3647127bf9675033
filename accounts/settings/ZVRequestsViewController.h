#pragma once

#include "accounts/settings/ZVSignedInObservations.h"
#include "platform/foundation/ScopedTimer.h"
#include "toolkit/dialogs/ZVDialogCells.h"

#include <memory>

class ZVApiRequest;

// "API status": the API client's requests in flight, queued and recently finished, and the
// background uploads and downloads, each row with a live status. Rebuilt whole when the lists
// change; while on screen the rows' statuses tick every second without a rebuild.
class ZVRequestsViewController : public ZVDialogCells {
public:
    static inline const QString kTitle = QStringLiteral("API status");
    static constexpr platform::TimeInterval kRefreshInterval = 1.0;
    // The inspection card shows at most this much of a request's description.
    static constexpr qsizetype kDescriptionLimit = 1024;

    ZVRequestsViewController();
    ~ZVRequestsViewController() override;

    // How many times the rows were built.
    int rebuildCount() const { return rebuildCount_; }
    bool isRefreshing() const { return refreshTimer_.isValid(); }

    void updateItems();
    // The card that shows the request and offers to log it whole.
    static void inspectRequest(const ZVApiRequest& request);
    void didSelectRow(int row) override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    void refreshRows();

    int rebuildCount_ = 0;
    platform::ScopedTimer refreshTimer_;
    ZVSignedInObservations observations_;
};
