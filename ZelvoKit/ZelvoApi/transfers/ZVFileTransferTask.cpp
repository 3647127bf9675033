#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferTask.h"

#include "platform/foundation/Format.h"
#include "platform/net/BackgroundUrlSessionTask.h"

#include <algorithm>

// --- delegate defaults ---

void ZVFileTransferDelegate::transferProgress(const std::shared_ptr<ZVFileTransferTask>&, float) {}
void ZVFileTransferDelegate::transferFailed(const std::shared_ptr<ZVFileTransferTask>&,
                                            const ZVErrorPtr&, const QByteArray&) {}
void ZVFileTransferDelegate::uploadCompleted(const std::shared_ptr<ZVFileTransferTask>&,
                                             ZVJsonParser&) {}
void ZVFileTransferDelegate::downloadCompleted(const std::shared_ptr<ZVFileTransferTask>&,
                                               const QUrl&) {}

// --- task ---

ZVFileTransferTask::ZVFileTransferTask(QString sessionId, QString url)
    : sessionId_(std::move(sessionId)), url_(std::move(url)) {}

ZVFileTransferTask::~ZVFileTransferTask() = default;

void ZVFileTransferTask::addDelegate(ZVFileTransferDelegatePtr delegate) {
    if (delegate) {
        delegates_.push_back(std::move(delegate));
    }
}

void ZVFileTransferTask::cancelForDelegate(const ZVFileTransferDelegate* delegate) {
    std::erase_if(delegates_, [&](const auto& entry) { return entry.get() == delegate; });
    if (delegates_.empty() && task_) {
        std::exchange(task_, nullptr)->cancel();
    }
}

void ZVFileTransferTask::addData(const QByteArray& data) {
    accumulatedData_.append(data);
}

void ZVFileTransferTask::setTask(std::shared_ptr<platform::BackgroundUrlSessionTask> task) {
    task_ = std::move(task);
}

QString ZVFileTransferTask::description() const {
    return platform::format(u"<ZVFileTransferTask %@ %@>", sessionId_, url_);
}
