#pragma once

#include "ZelvoKit/ZelvoApi/images/ZVCachedImage.h"

#include <QtCore/QHash>
#include <QtCore/QSizeF>
#include <QtCore/QString>
#include <QtCore/QThreadPool>
#include <QtGui/QImage>

#include <memory>

class ZVApiSession;

// The images that screens show for files and people, by local id, each a ZVCachedImage that
// loads itself: a remote image is downloaded through the API client's file transfers into a file
// below the cache's relative path and decoded on the cache's own worker queue; a local one (a file
// or a photo of the library) comes from the media loader and its thumbnail is kept as such a file.
// Several caches live side by side, one per relative path; a subclass may prepare its images in
// its own way.
//
// Always held by std::shared_ptr. Main thread, except prepareImage(), which runs on the queue.
class ZVImageCache : public std::enable_shared_from_this<ZVImageCache> {
public:
    // The corner radius of the outline that prepareImage() draws.
    static constexpr float kCornerRadius = 4.0f;

    // A cache of the files below `relativePath` in each account's folder.
    explicit ZVImageCache(QString relativePath);
    virtual ~ZVImageCache();
    ZVImageCache(const ZVImageCache&) = delete;
    ZVImageCache& operator=(const ZVImageCache&) = delete;

    // "<relative path>/<local id>", with "png" added when the id has no extension. The id stays one
    // component of the path.
    QString localFileId(const QString& localId) const;

    // The entry of `localId`, made (and started loading) when there is none; an existing entry is
    // returned as it is, whatever `url` is. Null for a null local id.
    std::shared_ptr<ZVCachedImage> imageWithUrl(const QString& url, const QString& localId,
                                                const std::shared_ptr<ZVApiSession>& session,
                                                QSizeF forceSize, bool animated);
    // Never makes an entry.
    std::shared_ptr<ZVCachedImage> imageWithLocalId(const QString& localId) const;
    void removeImage(const QString& localId);
    void clearCache();
    // Loads again every entry that may succeed now (see ZVCachedImage::canRetry()).
    void retryLoad();
    // Downloads the image to the file of `localId` without making an entry.
    void preloadImageWithUrl(const QString& url, const QString& localId,
                             const std::shared_ptr<ZVApiSession>& session);

    // The image redrawn at `size` with a rounded outline. Runs on the worker queue, so an override
    // must touch nothing but its arguments and constant state.
    virtual QImage prepareImage(const QImage& image, QSizeF size) const;

    const QString& relativePath() const { return relativePath_; }
    QThreadPool& queue() { return queue_; }
    // "<subclass>.queue" for a subclass; empty for the base class.
    QString queueName() const { return queue_.objectName(); }

protected:
    // For a subclass: its worker queue is named after `className`.
    ZVImageCache(QString relativePath, const QString& className);

private:
    QString relativePath_;
    QThreadPool queue_;
    QHash<QString, std::shared_ptr<ZVCachedImage>> images_;
};
