#pragma once

#include "ZelvoKit/support/media/ZVURLRepresentation.h"

#include <QtCore/QUrl>

class QThreadPool;

namespace platform {
class AssetRepresentation;
}

// A photo of the library ("assets-library" URL), or a reduced copy of a picture made for sending.
//
// A photo loads later: the library finds the asset, `pool` reads, decodes and shrinks it, and the
// result is handed back to the main thread, where the waiting handlers run. Main thread.
class ZVAssetsLibraryURLRepresentation : public ZVURLRepresentation {
public:
    static std::shared_ptr<ZVAssetsLibraryURLRepresentation> create(const QUrl& url,
                                                                    QThreadPool& pool);
    // The picture reduced to a longer side of MaxSentSide, as JPEG when `fileName` names one, else
    // as PNG. Without data when it cannot be encoded. Any thread: the new object is not shared yet.
    static std::shared_ptr<ZVAssetsLibraryURLRepresentation> createWithImage(
        const QImage& image, const QString& fileName);

private:
    struct LoadedAsset;

    ZVAssetsLibraryURLRepresentation() = default;
    void load(const QUrl& url, QThreadPool& pool);
    // Reads and shrinks the stored photo. Worker thread.
    static LoadedAsset read(const platform::AssetRepresentation& stored, bool isPhoto,
                            double screenScale);
    void apply(LoadedAsset loaded);
};
