#pragma once

#include "ZelvoKit/ZelvoApi/session/ZVContactChangeObserver.h"

#include <QtCore/QSizeF>
#include <QtCore/QString>
#include <QtGui/QImage>

#include <memory>
#include <vector>

class Contact;
class Hook;
class ZVApiSession;
class ZVAvatarView;
class ZVCachedImage;
class ZVImageCache;

// Owns the prepared avatar pictures of the signed-in time, in three caches by size, and knows
// the avatar views alive on screen so that a contact's change reaches every view showing it.
class ZVAvatarManager : public ZVContactChangeObserver,
                        public std::enable_shared_from_this<ZVAvatarManager> {
public:
    enum SizeClass { kNoSize = 0, kSmall = 1, kMedium = 2, kLarge = 3 };
    static constexpr int kSizeClassCount = 4;

    ZVAvatarManager();
    ~ZVAvatarManager() override;

    // Made at sign-in and released at sign-out by the application's coordinator.
    static void createInstance();
    static void releaseInstance();
    // Null outside the signed-in time.
    static std::shared_ptr<ZVAvatarManager> instance();
    // Makes the manager hear the session's contact changes.
    static void addSession(const std::shared_ptr<ZVApiSession>& session);
    // Lets every cache download again what failed.
    static void retryLoad();

    // The square side in points of a size class.
    static qreal sizeForSize(int size);
    // The picture's file id within the cache: one path component, the same for URLs that differ
    // only by "/" against "_".
    static QString localIdForContactUrl(const QString& url);

    const std::shared_ptr<ZVImageCache>& cacheForSize(int size) const;
    std::shared_ptr<ZVCachedImage> avatarForContact(const Contact& contact, int size);
    std::shared_ptr<ZVCachedImage> avatarForHook(const Hook& hook, int size);
    // A local picture prepared as the caches prepare theirs.
    QImage prepareImage(const QImage& image, int size) const;

    void addAvatarView(const std::shared_ptr<ZVAvatarView>& view);
    void removeAvatarView(const std::shared_ptr<ZVAvatarView>& view);
    // The registered views that are still alive.
    std::vector<std::shared_ptr<ZVAvatarView>> avatarViews() const;

    void sessionContactsChanged(const std::shared_ptr<ZVApiSession>& session,
                                const QSet<QString>& contactIds) override;

private:
    static std::shared_ptr<ZVCachedImage> avatarFromCache(
        const std::shared_ptr<ZVImageCache>& cache, const QString& url, const QString& localId,
        const std::shared_ptr<ZVApiSession>& session, int size);

    std::shared_ptr<ZVImageCache> cachedAvatars_;
    std::shared_ptr<ZVImageCache> largeAvatars_;
    std::shared_ptr<ZVImageCache> smallAvatars_;
    std::vector<std::weak_ptr<ZVAvatarView>> avatarViews_;
};
