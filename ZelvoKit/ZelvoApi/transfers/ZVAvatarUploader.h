#pragma once

#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferDelegate.h"

#include <functional>
#include <utility>

// Hands the events of an avatar upload to the blocks of whoever started it. The transfer holds
// it until the upload ends.
class ZVAvatarUploader : public ZVFileTransferDelegate {
public:
    using CompletionBlock = std::function<void()>;
    using ErrorBlock = std::function<void(const ZVErrorPtr& error)>;
    using ProgressBlock = std::function<void(float progress)>;

    void setOnCompletion(CompletionBlock block) { onCompletion_ = std::move(block); }
    void setOnError(ErrorBlock block) { onError_ = std::move(block); }
    void setOnProgress(ProgressBlock block) { onProgress_ = std::move(block); }

    void transferProgress(const std::shared_ptr<ZVFileTransferTask>& transfer,
                          float progress) override;
    void transferFailed(const std::shared_ptr<ZVFileTransferTask>& transfer,
                        const ZVErrorPtr& error, const QByteArray& resumeData) override;
    void uploadCompleted(const std::shared_ptr<ZVFileTransferTask>& transfer,
                         ZVJsonParser& response) override;

private:
    CompletionBlock onCompletion_;
    ErrorBlock onError_;
    ProgressBlock onProgress_;
};
