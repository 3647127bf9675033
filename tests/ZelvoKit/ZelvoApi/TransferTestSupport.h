#pragma once

#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferDelegate.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferTask.h"
#include "ZelvoKit/support/base/ZVError.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QUrl>

#include <functional>
#include <memory>
#include <vector>

namespace zvapitest {

// Distinct bytes everywhere, so that a piece out of place shows.
QByteArray patternBytes(qsizetype size, quint32 seed = 2463534242u);

// Writes a file below the test's root; its path.
QString writeTestFile(const QString& folder, const QString& name, const QByteArray& bytes);
QByteArray readTestFile(const QString& path);
// Every file below `folder`, relative to it.
QStringList filesBelow(const QString& folder);

// Waits in real time for the network, the clock standing still.
bool waitUntil(const std::function<bool()>& condition);

// Keeps what a transfer tells its delegate.
class TransferRecorder : public ZVFileTransferDelegate {
public:
    struct Failure {
        ZVErrorPtr error;
        // The transfer's URL-session task was still running when the delegate heard of it.
        bool taskRunning = false;
    };

    void transferProgress(const std::shared_ptr<ZVFileTransferTask>& transfer,
                          float progress) override;
    void transferFailed(const std::shared_ptr<ZVFileTransferTask>& transfer,
                        const ZVErrorPtr& error, const QByteArray& resumeData) override;
    void uploadCompleted(const std::shared_ptr<ZVFileTransferTask>& transfer,
                         ZVJsonParser& response) override;
    void downloadCompleted(const std::shared_ptr<ZVFileTransferTask>& transfer,
                           const QUrl& fileUrl) override;

    // Failures, uploads and downloads heard.
    int ends() const {
        return static_cast<int>(failures.size() + uploads.size() + downloads.size());
    }

    std::vector<float> progress;
    std::vector<Failure> failures;
    // "files[0]/upload_url" of each upload answer.
    QStringList uploads;
    std::vector<QUrl> downloads;
    // Not owned: a transfer holds its delegates.
    std::vector<const ZVFileTransferTask*> downloadTransfers;
};

}  // namespace zvapitest
