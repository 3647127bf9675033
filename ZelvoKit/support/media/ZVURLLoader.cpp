#include "ZelvoKit/support/media/ZVURLLoader.h"

#include "ZelvoKit/support/media/ZVAssetsLibraryURLRepresentation.h"
#include "ZelvoKit/support/media/ZVFileURLRepresentation.h"
#include "platform/foundation/SharedState.h"
#include "platform/media/PhotoLibrary.h"

namespace {

// Photos are picked one or a few at a time; more threads would only compete for memory.
constexpr int kMaxWorkers = 2;

}  // namespace

ZVURLLoader& ZVURLLoader::loader() {
    // Never destroyed, like the other process-wide objects.
    static ZVURLLoader* const instance = [] {
        auto* loader = new ZVURLLoader();
        platform::onResetSharedState([] { ZVURLLoader::loader().reset(); });
        return loader;
    }();
    return *instance;
}

ZVURLLoader::ZVURLLoader() {
    workers_.setMaxThreadCount(kMaxWorkers);
}

void ZVURLLoader::representationForUrl(const QUrl& url, ZVURLRepresentation::Handler handler,
                                       ZVURLRepresentation::ErrorHandler errorHandler) {
    if (const auto cached = cache_.constFind(url); cached != cache_.constEnd()) {
        // A copy: a handler may reset the cache while it runs.
        const ZVURLRepresentationPtr representation = *cached;
        representation->addHandler(std::move(handler), std::move(errorHandler));
        return;
    }
    ZVURLRepresentationPtr representation;
    if (platform::PhotoLibrary::isAssetsLibraryURL(url))
        representation = ZVAssetsLibraryURLRepresentation::create(url, workers_);
    else if (url.isLocalFile())
        representation = ZVFileURLRepresentation::create(url);
    if (!representation) {
        if (errorHandler)
            errorHandler(ZVError::errorWithCode(
                ZVError::UnsupportedUrl, {{ZVError::UrlKey, url.toString(QUrl::FullyEncoded)}}));
        return;
    }
    cache_.insert(url, representation);
    representation->addHandler(std::move(handler), std::move(errorHandler));
}

void ZVURLLoader::resetCache() {
    cache_.clear();
}

bool ZVURLLoader::isLocalURL(const QString& url) {
    return url.startsWith(u"file:") || url.startsWith(u"assets-library");
}

void ZVURLLoader::reset() {
    workers_.waitForDone();
    cache_.clear();
}
