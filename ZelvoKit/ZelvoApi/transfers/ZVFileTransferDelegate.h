#pragma once

#include "ZelvoKit/support/base/ZVError.h"

#include <QtCore/QByteArray>
#include <QtCore/QUrl>

#include <memory>

class ZVFileTransferTask;
class ZVJsonParser;

// What one file transfer tells the objects waiting for it (file entities, cached images, the
// avatar uploader, the share hand-off, a downloader that opens the file). Every call has a default
// that does nothing; all of them arrive on the main thread.
class ZVFileTransferDelegate {
public:
    virtual ~ZVFileTransferDelegate() = default;

    // The share of the file moved so far, from 0 to 1.
    virtual void transferProgress(const std::shared_ptr<ZVFileTransferTask>& transfer,
                                  float progress);
    // The transfer ended without its file. `resumeData` is always empty: the background session
    // resumes downloads itself.
    virtual void transferFailed(const std::shared_ptr<ZVFileTransferTask>& transfer,
                                const ZVErrorPtr& error, const QByteArray& resumeData);
    // An upload's answer, read by the caller ("files[0]/upload_url").
    virtual void uploadCompleted(const std::shared_ptr<ZVFileTransferTask>& transfer,
                                 ZVJsonParser& response);
    // A download lies at `fileUrl`. `transfer` is null when the file was there before any transfer
    // was needed.
    virtual void downloadCompleted(const std::shared_ptr<ZVFileTransferTask>& transfer,
                                   const QUrl& fileUrl);
};

using ZVFileTransferDelegatePtr = std::shared_ptr<ZVFileTransferDelegate>;
