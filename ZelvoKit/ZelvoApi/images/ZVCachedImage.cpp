#include "ZelvoKit/ZelvoApi/images/ZVCachedImage.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/images/ZVImageCache.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "ZelvoKit/support/media/ImageUtils.h"
#include "ZelvoKit/support/media/ZVURLLoader.h"
#include "platform/foundation/Scheduler.h"

#include <QtCore/QBuffer>
#include <QtCore/QFile>

#include <utility>

namespace {

using namespace Qt::Literals::StringLiterals;

bool isLocalUrl(const QString& url) {
    return url.startsWith(u"assets-library:"_s) || url.startsWith(u"file:"_s);
}

constexpr int kFirstClientError = 400;
constexpr int kLastClientError = 499;

}  // namespace

// What the worker hands back to the main thread.
struct ZVCachedImage::Decoded {
    QImage image;
    std::shared_ptr<const AnimatedImage> animation;
};

std::shared_ptr<ZVCachedImage> ZVCachedImage::create(const std::shared_ptr<ZVImageCache>& owner,
                                                     const QString& url, QString localId,
                                                     const std::shared_ptr<ZVApiSession>& session,
                                                     QSizeF forcedSize, bool animated) {
    std::shared_ptr<ZVCachedImage> image(
        new ZVCachedImage(owner, std::move(localId), session, forcedSize, animated));
    image->setUrl(url);
    return image;
}

ZVCachedImage::ZVCachedImage(std::weak_ptr<ZVImageCache> owner, QString localId,
                             std::weak_ptr<ZVApiSession> session, QSizeF forcedSize, bool animated)
    : owner_(std::move(owner)),
      localId_(std::move(localId)),
      session_(std::move(session)),
      forcedSize_(forcedSize),
      animated_(animated) {}

ZVCachedImage::~ZVCachedImage() = default;

void ZVCachedImage::setUrl(const QString& url) {
    if (url == url_ && url.isNull() == url_.isNull()) {
        return;
    }
    url_ = url;
    if (url_.isNull()) {
        return;
    }
    errorCode_ = 0;
    // The first URL may find its file from an earlier run; a later one must not find the file,
    // nor show the picture, of the URL before it.
    if (load_ > 0) {
        forgetEarlierPicture();
    }
    if (!isLocalUrl(url_)) {
        retryLoad();
        return;
    }
    loading_ = true;
    const std::uint64_t load = ++load_;
    std::weak_ptr<ZVCachedImage> weak = weak_from_this();
    ZVURLLoader::loader().representationForUrl(
        QUrl(url_),
        [weak, load](const std::shared_ptr<ZVURLRepresentation>& representation) {
            if (const auto self = weak.lock()) {
                self->localRepresentationLoaded(representation, load);
            }
        },
        [weak, load](const ZVErrorPtr&) {
            if (const auto self = weak.lock()) {
                self->notifyLoadingEnded(load);
            }
        });
}

void ZVCachedImage::localRepresentationLoaded(
    const std::shared_ptr<ZVURLRepresentation>& representation, std::uint64_t load) {
    if (load != load_) {
        return;
    }
    const auto owner = owner_.lock();
    image_ = representation->thumbnail();
    // The thumbnail is measured in the screen's pixels, as a downloaded picture is.
    image_.setDevicePixelRatio(ScreenScale());
    // A size with one side 0 keeps the picture's proportions: it is still a size to fit.
    if (owner && (forcedSize_.width() > 0 || forcedSize_.height() > 0)) {
        image_ = owner->prepareImage(image_, forcedSize_);
    }
    const auto transfers = ZVApi::api().fileTransfers();
    const auto session = session_.lock();
    if (owner && transfers && session && !image_.isNull()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (image_.save(&buffer, "PNG")) {
            transfers->createDownloadedFileWithLocalName(owner->localFileId(localId_), session,
                                                         png);
        }
    }
    notifyLoadingEnded(load);
}

void ZVCachedImage::retryLoad() {
    if (url_.isNull()) {
        return;
    }
    const std::uint64_t load = ++load_;
    changeValueForKey(LoadingKey, [&] { loading_ = true; });
    errorCode_ = 0;
    const auto owner = owner_.lock();
    const auto session = session_.lock();
    const auto transfers = ZVApi::api().fileTransfers();
    if (!owner || !session || !transfers) {
        // Signed out, or the account is gone: nothing can fetch it now; a later retry may.
        errorCode_ = ZVError::LocalTransferFailed;
        notifyLoadingEnded(load);
        return;
    }
    downloadLoad_ = load;
    download_ =
        transfers->downloadWithUrl(url_, owner->localFileId(localId_), session, shared_from_this());
}

void ZVCachedImage::forgetEarlierPicture() {
    image_ = QImage();
    animatedImage_.reset();
    // A download still running fetches the earlier URL into the same file.
    if (const auto download = std::exchange(download_, {}).lock()) {
        download->cancelForDelegate(this);
    }
    const auto owner = owner_.lock();
    const auto session = session_.lock();
    const auto transfers = ZVApi::api().fileTransfers();
    if (owner && session && transfers) {
        const QString file =
            transfers->fileUrlWithLocalUrl(owner->localFileId(localId_), session->sessionId())
                .toLocalFile();
        if (QFile::exists(file) && !QFile::remove(file)) {
            ZVLogError(u"ZVCachedImage::SetUrl: cannot remove %@", file);
        }
    }
}

bool ZVCachedImage::canRetry() const {
    return !url_.isNull() && !isLocalUrl(url_) && !loading_ && errorCode_ != 0 &&
           (errorCode_ < kFirstClientError || errorCode_ > kLastClientError);
}

void ZVCachedImage::downloadCompleted(const std::shared_ptr<ZVFileTransferTask>&,
                                      const QUrl& fileUrl) {
    // A download still running when the entry moved on to a local file belongs to its old URL.
    if (downloadLoad_ != load_) {
        return;
    }
    loadImageWithUrl(fileUrl);
}

void ZVCachedImage::transferFailed(const std::shared_ptr<ZVFileTransferTask>&,
                                   const ZVErrorPtr& error, const QByteArray&) {
    if (downloadLoad_ != load_) {
        return;
    }
    errorCode_ = error ? error->code() : ZVError::LocalTransferFailed;
    notifyLoadingEnded(load_);
}

void ZVCachedImage::loadImageWithUrl(const QUrl& fileUrl) {
    const std::uint64_t load = load_;
    std::shared_ptr<ZVImageCache> owner = owner_.lock();
    if (!owner) {
        notifyLoadingEnded(load);
        return;
    }
    const double scale = ScreenScale();
    std::weak_ptr<ZVCachedImage> weak = weak_from_this();
    owner->queue().start([owner, weak, load, scale, path = fileUrl.toLocalFile(),
                          animated = animated_, size = forcedSize_]() mutable {
        Decoded result;
        QFile file(path);
        const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (animated) {
            if (auto animation = AnimatedImage::animatedImageWithAnimatedGIFData(data)) {
                result.animation = std::make_shared<const AnimatedImage>(std::move(*animation));
            }
        } else {
            QImage image;
            if (image.loadFromData(data)) {
                image.setDevicePixelRatio(scale);
                result.image = owner->prepareImage(image, size);
            }
        }
        // The owner goes back with the result, so that it is never released on this thread.
        platform::Scheduler::main().post(
            [owner = std::move(owner), weak, load, result = std::move(result)] {
                if (const auto self = weak.lock()) {
                    self->decoded(result, load);
                }
            });
    });
}

void ZVCachedImage::decoded(const Decoded& result, std::uint64_t load) {
    if (load != load_) {
        return;
    }
    if (animated_) {
        animatedImage_ = result.animation;
    } else if (!result.image.isNull()) {
        image_ = result.image;
    }
    endLoading(load);
}

void ZVCachedImage::notifyLoadingEnded(std::uint64_t load) {
    std::weak_ptr<ZVCachedImage> weak = weak_from_this();
    platform::Scheduler::main().post([weak, load] {
        if (const auto self = weak.lock()) {
            self->endLoading(load);
        }
    });
}

void ZVCachedImage::endLoading(std::uint64_t load) {
    if (load != load_ || !loading_) {
        return;
    }
    changeValueForKey(LoadingKey, [&] { loading_ = false; });
}
