#pragma once

#include "ZelvoKit/ZelvoApi/images/ZVImageCache.h"

// An image cache whose pictures are prepared as avatars: scaled to fill the square on white, with
// a thin circular frame that the view's round clip keeps.
class ZVAvatarCache : public ZVImageCache {
public:
    static inline const QString kRelativePath = QStringLiteral("Avatars");

    ZVAvatarCache();

    QImage prepareImage(const QImage& image, QSizeF size) const override;
};
