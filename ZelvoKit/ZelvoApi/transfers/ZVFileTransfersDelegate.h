#pragma once

#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferDelegate.h"

#include <QtCore/QString>

#include <memory>
#include <optional>
#include <vector>

// The owner of a ZVFileTransfers object: it finds again who waits for a transfer that outlived the
// process.
class ZVFileTransfersDelegate {
public:
    using Delegates = std::vector<ZVFileTransferDelegatePtr>;

    virtual ~ZVFileTransfersDelegate() = default;

    // The delegates of the transfer keyed by `url` (an upload's local file URL, a download's local
    // path) for the account `sessionId`, to be attached to `transfer`; none when nobody waits for
    // it, and the transfer then runs to its end unlisted.
    virtual std::optional<Delegates> restoreDelegatesByUrl(
        const QString& url, const QString& sessionId,
        const std::shared_ptr<ZVFileTransferTask>& transfer) = 0;
};
