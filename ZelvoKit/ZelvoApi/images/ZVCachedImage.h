#pragma once

#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransferDelegate.h"
#include "ZelvoKit/support/media/AnimatedImage.h"
#include "platform/foundation/Observable.h"

#include <QtCore/QLatin1StringView>
#include <QtCore/QSizeF>
#include <QtCore/QString>
#include <QtCore/QUrl>
#include <QtGui/QImage>

#include <cstdint>
#include <memory>

class ZVApiSession;
class ZVImageCache;
class ZVURLRepresentation;

// One image of a ZVImageCache, keyed by its local id, that loads itself from its URL. Screens
// observe "loading" and read the image once it drops; it drops on the main thread, after the
// image is set. An entry does not keep its cache or its account alive.
//
// Idle, loading, loaded (image set) or failed (errorCode() set). Main thread only.
class ZVCachedImage : public platform::Observable,
                      public ZVFileTransferDelegate,
                      public std::enable_shared_from_this<ZVCachedImage> {
public:
    static constexpr QLatin1StringView LoadingKey{"loading"};

    // The entry, loading from `url` already.
    static std::shared_ptr<ZVCachedImage> create(const std::shared_ptr<ZVImageCache>& owner,
                                                 const QString& url, QString localId,
                                                 const std::shared_ptr<ZVApiSession>& session,
                                                 QSizeF forcedSize, bool animated);
    ~ZVCachedImage() override;

    const QString& url() const { return url_; }
    // Loads from a new URL; the same text again changes nothing, a null one only forgets it.
    void setUrl(const QString& url);
    // Downloads the URL again.
    void retryLoad();
    // A remote URL whose last download failed in a way that may pass: not while loading, and not
    // after an answer from 400 to 499, which is final.
    bool canRetry() const;

    const QString& localId() const { return localId_; }
    QSizeF forcedSize() const { return forcedSize_; }
    bool animated() const { return animated_; }
    bool loading() const { return loading_; }
    // The prepared image of a still entry; null until loaded.
    const QImage& image() const { return image_; }
    // The decoded animation of an animated entry; null until loaded or when it does not decode.
    const std::shared_ptr<const AnimatedImage>& animatedImage() const { return animatedImage_; }
    // The code of the last failed download; 0 when none.
    int errorCode() const { return errorCode_; }

    // --- the download's events ---

    void downloadCompleted(const std::shared_ptr<ZVFileTransferTask>& transfer,
                           const QUrl& fileUrl) override;
    void transferFailed(const std::shared_ptr<ZVFileTransferTask>& transfer,
                        const ZVErrorPtr& error, const QByteArray& resumeData) override;

private:
    struct Decoded;

    ZVCachedImage(std::weak_ptr<ZVImageCache> owner, QString localId,
                  std::weak_ptr<ZVApiSession> session, QSizeF forcedSize, bool animated);

    // Decodes the downloaded file on the owner's queue; the result is set on the main thread.
    void loadImageWithUrl(const QUrl& fileUrl);
    void decoded(const Decoded& result, std::uint64_t load);
    void localRepresentationLoaded(const std::shared_ptr<ZVURLRepresentation>& representation,
                                   std::uint64_t load);
    // Drops what came from the URL before: the picture, its download and its local file.
    void forgetEarlierPicture();
    // From the run loop: "loading" drops, unless a newer load has begun meanwhile.
    void notifyLoadingEnded(std::uint64_t load);
    void endLoading(std::uint64_t load);

    std::weak_ptr<ZVImageCache> owner_;
    QString url_;
    QString localId_;
    std::weak_ptr<ZVApiSession> session_;
    QSizeF forcedSize_;
    bool animated_ = false;
    QImage image_;
    std::shared_ptr<const AnimatedImage> animatedImage_;
    bool loading_ = false;
    int errorCode_ = 0;
    // Counts the loads begun, so that a late answer of an earlier one is told apart.
    std::uint64_t load_ = 0;
    // The load that the last download was started for.
    std::uint64_t downloadLoad_ = 0;
    // The transfer of that download; none when its file was there already.
    std::weak_ptr<ZVFileTransferTask> download_;
};
