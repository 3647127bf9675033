#include "ZelvoKit/ZelvoApi/api/ZVApi.h"

#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"

void ZVApi::ensureFileTransfers() {
    if (fileTransfers_) {
        return;
    }
    // The API client's own transfers: no application group, the service's base URL.
    fileTransfers_ = ZVFileTransfers::create(baseURL_, QString());
    fileTransfers_->setDelegate(weak_from_this());
    fileTransfers_->restorePendingTransfers();
}

void ZVApi::dropFileTransfers() {
    if (const auto transfers = std::move(fileTransfers_)) {
        transfers->invalidateAndCancel();
    }
}

std::optional<ZVFileTransfersDelegate::Delegates> ZVApi::restoreDelegatesByUrl(
    const QString& url, const QString& sessionId,
    const std::shared_ptr<ZVFileTransferTask>& transfer) {
    const std::shared_ptr<ZVApiSession> session = sessions_.value(sessionId);
    if (!session) {
        return std::nullopt;
    }
    return session->restoreFileTransferDelegatesByUrl(url, transfer);
}

std::optional<ZVFileTransfersDelegate::Delegates> ZVApiSession::restoreFileTransferDelegatesByUrl(
    const QString&, const std::shared_ptr<ZVFileTransferTask>&) {
    return std::nullopt;
}
