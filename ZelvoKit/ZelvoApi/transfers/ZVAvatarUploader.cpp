#include "ZelvoKit/ZelvoApi/transfers/ZVAvatarUploader.h"

void ZVAvatarUploader::transferProgress(const std::shared_ptr<ZVFileTransferTask>&,
                                        float progress) {
    if (onProgress_) {
        onProgress_(progress);
    }
}

void ZVAvatarUploader::transferFailed(const std::shared_ptr<ZVFileTransferTask>&,
                                      const ZVErrorPtr& error, const QByteArray&) {
    if (onError_) {
        onError_(error);
    }
}

void ZVAvatarUploader::uploadCompleted(const std::shared_ptr<ZVFileTransferTask>&, ZVJsonParser&) {
    if (onCompletion_) {
        onCompletion_();
    }
}
