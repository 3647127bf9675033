#include "ZelvoKit/ZelvoApi/images/ZVImageCache.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "ZelvoKit/support/media/ImageUtils.h"

#include <QtCore/QFileInfo>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kDefaultExtension = u"png"_s;

}  // namespace

ZVImageCache::ZVImageCache(QString relativePath) : relativePath_(std::move(relativePath)) {}

ZVImageCache::ZVImageCache(QString relativePath, const QString& className)
    : ZVImageCache(std::move(relativePath)) {
    queue_.setObjectName(className + u".queue"_s);
}

ZVImageCache::~ZVImageCache() {
    queue_.waitForDone();
}

QString ZVImageCache::localFileId(const QString& localId) const {
    QString name = ZVFileTransfers::safePathComponent(localId);
    if (QFileInfo(name).suffix().isEmpty()) {
        name += u'.' + kDefaultExtension;
    }
    return relativePath_ + u'/' + name;
}

std::shared_ptr<ZVCachedImage> ZVImageCache::imageWithUrl(
    const QString& url, const QString& localId, const std::shared_ptr<ZVApiSession>& session,
    QSizeF forceSize, bool animated) {
    if (localId.isNull()) {
        ZVLogError(u"ZVImageCache::ImageWithUrl: localId == nil");
        return nullptr;
    }
    if (const auto found = images_.constFind(localId); found != images_.constEnd()) {
        return *found;
    }
    auto image =
        ZVCachedImage::create(shared_from_this(), url, localId, session, forceSize, animated);
    images_.insert(localId, image);
    return image;
}

std::shared_ptr<ZVCachedImage> ZVImageCache::imageWithLocalId(const QString& localId) const {
    return images_.value(localId);
}

void ZVImageCache::removeImage(const QString& localId) {
    images_.remove(localId);
}

void ZVImageCache::clearCache() {
    images_.clear();
}

void ZVImageCache::retryLoad() {
    // A copy: a load may finish at once and its observers may change the cache.
    const QList<std::shared_ptr<ZVCachedImage>> images = images_.values();
    for (const auto& image : images) {
        if (image->canRetry()) {
            image->retryLoad();
        }
    }
}

void ZVImageCache::preloadImageWithUrl(const QString& url, const QString& localId,
                                       const std::shared_ptr<ZVApiSession>& session) {
    if (const auto transfers = ZVApi::api().fileTransfers(); transfers && session) {
        transfers->downloadWithUrl(url, localFileId(localId), session, nullptr);
    }
}

QImage ZVImageCache::prepareImage(const QImage& image, QSizeF size) const {
    return ResizeImageToSize(image, static_cast<float>(size.width()),
                             static_cast<float>(size.height()), true, kCornerRadius);
}
