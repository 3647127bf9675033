#pragma once

#include "ZelvoKit/support/media/ZVURLRepresentation.h"

#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QThreadPool>
#include <QtCore/QUrl>

// Loads the media the user attaches, a local file or a photo of the library, and keeps each
// representation by URL, failed ones included, until the cache is reset. Main thread; photos are
// decoded on the loader's own worker threads.
class ZVURLLoader {
public:
    static ZVURLLoader& loader();

    // The representation of a "file" or "assets-library" URL gets the handlers (see
    // ZVURLRepresentation::addHandler()). Any other URL calls `errorHandler` at once with error
    // 1015 naming the URL, and nothing is kept.
    void representationForUrl(const QUrl& url, ZVURLRepresentation::Handler handler,
                              ZVURLRepresentation::ErrorHandler errorHandler);
    // Forgets every representation; loads under way still answer whoever is waiting for them.
    void resetCache();

    // Whether a URL text is one the loader handles.
    static bool isLocalURL(const QString& url);

    ZVURLLoader(const ZVURLLoader&) = delete;
    ZVURLLoader& operator=(const ZVURLLoader&) = delete;

private:
    ZVURLLoader();
    // Waits for the workers and forgets everything (tests, between cases).
    void reset();

    QHash<QUrl, ZVURLRepresentationPtr> cache_;
    QThreadPool workers_;
};
