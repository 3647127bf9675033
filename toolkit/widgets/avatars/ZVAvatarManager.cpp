#include "toolkit/widgets/avatars/ZVAvatarManager.h"

#include "ZelvoKit/ZelvoApi/images/ZVCachedImage.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Hook.h"
#include "toolkit/widgets/avatars/ZVAvatarCache.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <QtCore/QFileInfo>

#include <array>

namespace {

constexpr std::array<qreal, ZVAvatarManager::kSizeClassCount> kSides{0, 30, 40, 100};
// The service's avatar paths begin so; the id needs no copy of it.
const QString kAvatarPrefix = QStringLiteral("_avatar_");
const QString kDefaultExtension = QStringLiteral(".jpg");
const QString kNoUrlId = QStringLiteral("null");

std::shared_ptr<ZVAvatarManager>& shared() {
    static std::shared_ptr<ZVAvatarManager> manager;
    return manager;
}

}  // namespace

ZVAvatarManager::ZVAvatarManager()
    : cachedAvatars_(std::make_shared<ZVAvatarCache>()),
      largeAvatars_(std::make_shared<ZVAvatarCache>()),
      smallAvatars_(std::make_shared<ZVAvatarCache>()) {}

ZVAvatarManager::~ZVAvatarManager() = default;

void ZVAvatarManager::createInstance() {
    shared() = std::make_shared<ZVAvatarManager>();
}

void ZVAvatarManager::releaseInstance() {
    shared().reset();
}

std::shared_ptr<ZVAvatarManager> ZVAvatarManager::instance() {
    return shared();
}

void ZVAvatarManager::addSession(const std::shared_ptr<ZVApiSession>& session) {
    if (session && shared()) {
        session->addContactChangeObserver(shared());
    }
}

void ZVAvatarManager::retryLoad() {
    if (const auto manager = shared()) {
        for (const auto& cache :
             {manager->cachedAvatars_, manager->largeAvatars_, manager->smallAvatars_}) {
            cache->retryLoad();
        }
    }
}

qreal ZVAvatarManager::sizeForSize(int size) {
    return size >= 0 && size < kSizeClassCount ? kSides[static_cast<std::size_t>(size)] : 0;
}

QString ZVAvatarManager::localIdForContactUrl(const QString& url) {
    if (url.isEmpty()) {
        return kNoUrlId;
    }
    QString id = url;
    id.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (id.startsWith(kAvatarPrefix)) {
        id.remove(0, kAvatarPrefix.size());
    }
    if (QFileInfo(id).suffix().isEmpty()) {
        id += kDefaultExtension;
    }
    return id;
}

const std::shared_ptr<ZVImageCache>& ZVAvatarManager::cacheForSize(int size) const {
    switch (size) {
        case kSmall:
            return smallAvatars_;
        case kLarge:
            return largeAvatars_;
        default:
            return cachedAvatars_;
    }
}

std::shared_ptr<ZVCachedImage> ZVAvatarManager::avatarForContact(const Contact& contact, int size) {
    const QString url = size == kLarge ? contact.largeAvatarURL() : contact.smallAvatarURL();
    return avatarFromCache(cacheForSize(size), url, localIdForContactUrl(url), contact.session(),
                           size);
}

std::shared_ptr<ZVCachedImage> ZVAvatarManager::avatarForHook(const Hook& hook, int size) {
    // Any id stays one path component in the cache, so the URL serves as it is.
    const QString url = hook.smallAvatarUrl();
    return avatarFromCache(cachedAvatars_, url, url, hook.session(), size);
}

std::shared_ptr<ZVCachedImage> ZVAvatarManager::avatarFromCache(
    const std::shared_ptr<ZVImageCache>& cache, const QString& url, const QString& localId,
    const std::shared_ptr<ZVApiSession>& session, int size) {
    if (auto cached = cache->imageWithLocalId(localId)) {
        return cached;
    }
    const qreal side = sizeForSize(size);
    return cache->imageWithUrl(url, localId, session, QSizeF(side, side), false);
}

QImage ZVAvatarManager::prepareImage(const QImage& image, int size) const {
    const qreal side = sizeForSize(size);
    return cacheForSize(size)->prepareImage(image, QSizeF(side, side));
}

void ZVAvatarManager::addAvatarView(const std::shared_ptr<ZVAvatarView>& view) {
    for (const auto& known : avatarViews_) {
        if (known.lock() == view) {
            return;
        }
    }
    std::erase_if(avatarViews_, [](const auto& known) { return known.expired(); });
    avatarViews_.push_back(view);
}

void ZVAvatarManager::removeAvatarView(const std::shared_ptr<ZVAvatarView>& view) {
    std::erase_if(avatarViews_, [&view](const auto& known) {
        const auto live = known.lock();
        return !live || live == view;
    });
}

std::vector<std::shared_ptr<ZVAvatarView>> ZVAvatarManager::avatarViews() const {
    std::vector<std::shared_ptr<ZVAvatarView>> views;
    for (const auto& known : avatarViews_) {
        if (auto live = known.lock()) {
            views.push_back(std::move(live));
        }
    }
    return views;
}

void ZVAvatarManager::sessionContactsChanged(const std::shared_ptr<ZVApiSession>& /*session*/,
                                             const QSet<QString>& contactIds) {
    for (const auto& view : avatarViews()) {
        const std::shared_ptr<Contact> contact = view->contact();
        if (contact && contactIds.contains(contact->accountId())) {
            view->setContact(nullptr);
            view->setContact(contact);
        }
    }
}
