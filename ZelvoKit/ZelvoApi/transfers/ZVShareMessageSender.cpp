#include "ZelvoKit/ZelvoApi/transfers/ZVShareMessageSender.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <QtCore/QUrl>

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;

// An answer in this range refuses the post for good: trying again would be refused again.
constexpr int kFirstClientError = 400;
constexpr int kLastClientError = 499;

bool isFinalRefusal(const ZVErrorPtr& error) {
    return error && !ZVApi::isNetworkFailure(error) && error->code() >= kFirstClientError &&
           error->code() <= kLastClientError;
}

}  // namespace

std::shared_ptr<ZVShareMessageSender> ZVShareMessageSender::create() {
    std::shared_ptr<ZVShareMessageSender> sender(new ZVShareMessageSender());
    const QString groupId = ZVPendingShareMessage::applicationGroupIdentifier();
    if (groupId.isEmpty()) {
        ZVLogError(u"ZVShareMessageSender: no application group");
        return sender;
    }
    sender->transfers_ = ZVFileTransfers::create(ZVApi::api().baseURL(), groupId);
    sender->transfers_->setDelegate(sender->weak_from_this());
    std::weak_ptr<ZVShareMessageSender> weak = sender;
    sender->transfers_->setCompletionHandler([weak] {
        if (const auto self = weak.lock()) {
            self->eventsDelivered();
        }
    });
    sender->transfers_->restorePendingTransfers();
    sender->resumeStoredShares();
    return sender;
}

ZVShareMessageSender::~ZVShareMessageSender() = default;

void ZVShareMessageSender::setCompletionHandler(std::function<void()> handler) {
    completionHandler_ = std::move(handler);
}

std::optional<qint64> ZVShareMessageSender::identifyIndexFromUrl(const QString& url) {
    const QStringList components = QUrl(url).path().split(u'/', Qt::SkipEmptyParts);
    if (components.size() < 2) {
        return std::nullopt;
    }
    bool valid = false;
    const qint64 index = components[components.size() - 2].toLongLong(&valid);
    return valid ? std::optional<qint64>(index) : std::nullopt;
}

// Shares whose uploads or post failed in an earlier run have no transfer to bring them back.
void ZVShareMessageSender::resumeStoredShares() {
    for (const qint64 index : ZVPendingShareMessage::storedIndexes()) {
        std::shared_ptr<ZVPendingShareMessage> message = pending_.value(index);
        if (!message) {
            message = ZVPendingShareMessage::withIndex(index);
        }
        if (message) {
            sendMessage(message);
        }
    }
}

void ZVShareMessageSender::sendMessage(const std::shared_ptr<ZVPendingShareMessage>& message) {
    const std::shared_ptr<ZVApiSession> session =
        ZVApi::api().sessions().value(message->sessionId());
    if (!session) {
        ZVLogError(u"ZVShareMessageSender:: nonexistent session: %@", message->sessionId());
        return;
    }
    if (!transfers_) {
        return;
    }
    pending_.insert(message->index(), message);
    for (const QString& fileUrl : message->localFileUrls()) {
        const QString key = QUrl(fileUrl).toString(QUrl::FullyEncoded);
        const auto& listed = transfers_->tasks();
        const bool running = std::any_of(listed.begin(), listed.end(), [&](const auto& transfer) {
            return transfer->url() == key || transfer->url() == fileUrl;
        });
        if (running) {
            continue;
        }
        transfers_->uploadWithUrl(ZVFileTransfers::FileUploadPath, QUrl(fileUrl),
                                  QUrl(fileUrl).fileName(), session, shared_from_this());
    }
    postMessageIfReady(message);
}

void ZVShareMessageSender::postMessageIfReady(
    const std::shared_ptr<ZVPendingShareMessage>& message) {
    if (!message->ready() || pending_.value(message->index()) != message) {
        return;
    }
    const std::shared_ptr<ZVApiSession> session =
        ZVApi::api().sessions().value(message->sessionId());
    if (!session) {
        ZVLogError(u"ZVShareMessageSender::PostMessage: nonexistent session: %@",
                   message->sessionId());
        return;
    }
    // Out of the pending list at once, so that it is posted once; its record stays until the
    // service has the post.
    pending_.remove(message->index());
    ++postsRunning_;
    std::weak_ptr<ZVShareMessageSender> weak = weak_from_this();
    const QStringList attachments = message->fileUrls();
    session->postMessage(
        message->message(), QString(),
        attachments.isEmpty() ? std::nullopt : std::optional<QStringList>(attachments),
        message->conversationId(), std::nullopt, false, QString(),
        [weak, message](std::int64_t) {
            if (const auto self = weak.lock()) {
                self->postEnded(message, nullptr);
            }
        },
        [weak, message](const ZVErrorPtr& error) {
            if (const auto self = weak.lock()) {
                self->postEnded(message, error ? error : ZVError::errorWithCode(0));
            }
        });
}

void ZVShareMessageSender::postEnded(const std::shared_ptr<ZVPendingShareMessage>& message,
                                     const ZVErrorPtr& error) {
    --postsRunning_;
    if (error) {
        ZVLogError(u"ZVShareMessageSender: %@", error);
    }
    if (!error || isFinalRefusal(error)) {
        message->deleteLocalData();
    }
    finishIfDone();
}

std::optional<ZVFileTransfersDelegate::Delegates> ZVShareMessageSender::restoreDelegatesByUrl(
    const QString& url, const QString&, const std::shared_ptr<ZVFileTransferTask>&) {
    ZVLogError(u"ZVSharedMessageSender: Restoring message for URL: <%@>", url);
    const std::optional<qint64> index = identifyIndexFromUrl(url);
    if (!index) {
        return std::nullopt;
    }
    if (!pending_.contains(*index)) {
        if (auto message = ZVPendingShareMessage::withIndex(*index)) {
            pending_.insert(*index, std::move(message));
        }
    }
    if (!pending_.contains(*index)) {
        return std::nullopt;
    }
    return Delegates{shared_from_this()};
}

void ZVShareMessageSender::uploadCompleted(const std::shared_ptr<ZVFileTransferTask>& transfer,
                                           ZVJsonParser& response) {
    const std::optional<qint64> index = identifyIndexFromUrl(transfer->url());
    const std::shared_ptr<ZVPendingShareMessage> message = index ? pending_.value(*index) : nullptr;
    if (!message) {
        ZVLogError(u"Corresponding pending message (%ld) not found", index.value_or(-1));
        return;
    }
    const QString reference = response.extractString(u"files[0]/upload_url", QString());
    // Anything but a storage reference in the record would be dropped as a stray entry on the
    // next run, and the file with it: the share waits for another try instead.
    if (!reference.startsWith(ZVPendingShareMessage::UploadReferencePrefix)) {
        ZVLogError(u"Transfer<%@> failed: no upload reference in the answer", transfer);
        return;
    }
    message->reportUploadComplete(transfer->url(), reference);
    postMessageIfReady(message);
}

void ZVShareMessageSender::transferFailed(const std::shared_ptr<ZVFileTransferTask>& transfer,
                                          const ZVErrorPtr& error, const QByteArray&) {
    ZVLogError(u"Transfer<%@> failed: %@", transfer, error);
}

void ZVShareMessageSender::eventsDelivered() {
    eventsDelivered_ = true;
    finishIfDone();
}

void ZVShareMessageSender::finishIfDone() {
    if (finished_ || postsRunning_ > 0 || (!pending_.isEmpty() && !eventsDelivered_)) {
        return;
    }
    finished_ = true;
    invalidate();
    if (const auto handler = completionHandler_) {
        handler();
    }
}

void ZVShareMessageSender::invalidate() {
    if (transfers_) {
        transfers_->invalidateAndCancel();
    }
}
