#pragma once

#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferDelegate.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfersDelegate.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVPendingShareMessage.h"

#include <QtCore/QMap>
#include <QtCore/QString>

#include <functional>
#include <memory>
#include <optional>

class ZVFileTransfers;

// Finishes the shares the share extension left: it takes over the uploads of the application
// group's background session, replaces each file of a share by the reference its upload returned,
// and posts the share into its conversation once all its files are up. A share and its files are
// deleted once the service has taken the post (or refused it for good); a failed upload or post
// leaves it stored, and the next sender tries it again.
//
// Made when the platform wakes the application for the group's background session; its
// completion handler runs once, when every share it had in hand has been posted, or when the
// session's events are all delivered and no post is running. Main thread only.
class ZVShareMessageSender : public ZVFileTransfersDelegate,
                             public ZVFileTransferDelegate,
                             public std::enable_shared_from_this<ZVShareMessageSender> {
public:
    // Re-attaches to the group's transfers and carries on the stored shares.
    static std::shared_ptr<ZVShareMessageSender> create();
    ~ZVShareMessageSender() override;
    ZVShareMessageSender(const ZVShareMessageSender&) = delete;
    ZVShareMessageSender& operator=(const ZVShareMessageSender&) = delete;

    // Uploads the share's files that are not up yet and posts it when all are.
    void sendMessage(const std::shared_ptr<ZVPendingShareMessage>& message);
    // Posts the share when it is ready and its account is signed in.
    void postMessageIfReady(const std::shared_ptr<ZVPendingShareMessage>& message);
    // Cancels what the group's session still runs.
    void invalidate();

    // The share's index, named by the folder of a file URL; none for another URL.
    static std::optional<qint64> identifyIndexFromUrl(const QString& url);

    const std::function<void()>& completionHandler() const { return completionHandler_; }
    void setCompletionHandler(std::function<void()> handler);
    const QMap<qint64, std::shared_ptr<ZVPendingShareMessage>>& pendingMessages() const {
        return pending_;
    }
    const std::shared_ptr<ZVFileTransfers>& transfers() const { return transfers_; }

    // --- the transfers' calls ---

    std::optional<Delegates> restoreDelegatesByUrl(
        const QString& url, const QString& sessionId,
        const std::shared_ptr<ZVFileTransferTask>& transfer) override;
    void uploadCompleted(const std::shared_ptr<ZVFileTransferTask>& transfer,
                         ZVJsonParser& response) override;
    void transferFailed(const std::shared_ptr<ZVFileTransferTask>& transfer,
                        const ZVErrorPtr& error, const QByteArray& resumeData) override;

private:
    ZVShareMessageSender() = default;
    void resumeStoredShares();
    void postEnded(const std::shared_ptr<ZVPendingShareMessage>& message, const ZVErrorPtr& error);
    void eventsDelivered();
    void finishIfDone();

    QMap<qint64, std::shared_ptr<ZVPendingShareMessage>> pending_;
    std::shared_ptr<ZVFileTransfers> transfers_;
    std::function<void()> completionHandler_;
    int postsRunning_ = 0;
    bool eventsDelivered_ = false;
    bool finished_ = false;
};
