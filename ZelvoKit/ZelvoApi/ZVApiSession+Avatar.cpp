#include "ZelvoKit/ZelvoApi/ZVApiSession.h"

#include "ZelvoKit/ZelvoApi/ZVApi.h"
#include "ZelvoKit/ZelvoApi/ZVAvatarUploader.h"
#include "ZelvoKit/ZelvoApi/ZVFileTransfers.h"

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kAvatarFileName = u"Avatar.jpg"_s;

}  // namespace

void ZVApiSession::setMyAvatar(const QUrl& localUrl, ActionBlock onSuccess,
                               std::function<void(float progress)> onProgress,
                               ActionErrorBlock onError) {
    auto uploader = std::make_shared<ZVAvatarUploader>();
    uploader->setOnCompletion(std::move(onSuccess));
    uploader->setOnProgress(std::move(onProgress));
    uploader->setOnError(onError);
    const std::shared_ptr<ZVFileTransfers> transfers = ZVApi::api().fileTransfers();
    const auto transfer =
        transfers ? transfers->uploadWithUrl(ZVFileTransfers::AvatarUploadPath, localUrl,
                                             kAvatarFileName, shared_from_this(), uploader)
                  : nullptr;
    // An upload that cannot start would otherwise leave the caller waiting for good.
    if (!transfer && onError) {
        onError(ZVError::errorWithCode(ZVError::LocalTransferFailed,
                                       {{ZVError::UrlKey, localUrl.toString()}}));
    }
}
