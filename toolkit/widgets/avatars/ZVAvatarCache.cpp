#include "toolkit/widgets/avatars/ZVAvatarCache.h"

#include "ZelvoKit/support/media/ImageUtils.h"

ZVAvatarCache::ZVAvatarCache() : ZVImageCache(kRelativePath, QStringLiteral("ZVAvatarCache")) {}

QImage ZVAvatarCache::prepareImage(const QImage& image, QSizeF size) const {
    const auto width = static_cast<float>(size.width());
    return ResizeImageToSize(image, width, static_cast<float>(size.height()), true, width / 2);
}
