#pragma once

#include <QtCore/QHash>
#include <QtCore/QString>

#include <memory>
#include <vector>

class File;
class ZVFileView;
class ZVImageCache;

// The process's file pictures and file views: three image caches (large previews, 32 x 37
// thumbnails, small previews 45 high) keyed by the file's hash, and the views made so far by kind,
// keyed by account and file URL, so that a conversation that scrolls back reuses them. Main
// thread; the image caches decode on their own queues.
class ZVFileViewManager {
public:
    static inline const QString kPreviewsPath = QStringLiteral("Previews");
    static inline const QString kThumbnailsPath = QStringLiteral("Thumbnails");
    static inline const QString kSmallPreviewsPath = QStringLiteral("local");

    static ZVFileViewManager& fileViewManager();
    static const std::shared_ptr<ZVImageCache>& previewManager();
    static const std::shared_ptr<ZVImageCache>& thumbnailManager();
    static const std::shared_ptr<ZVImageCache>& smallPreviewManager();

    // Empties the three image caches and the views (memory is short, a conversation closed).
    static void clearCache();
    // Loads again the previews and thumbnails that failed (the connection came back).
    static void retryLoad();
    // Fetches the file's preview, or its thumbnail when the account shows no previews, ahead of
    // its view.
    static void preloadPreviewForFile(const std::shared_ptr<File>& file);

    // The view made for the file's URL in its account for `kind`, when no superview shows it.
    std::shared_ptr<ZVFileView> cachedViewForFile(const File& file, int kind) const;
    // Replaces the view stored for the file's URL in its account; a file without a URL stores
    // nothing.
    void cacheView(const std::shared_ptr<ZVFileView>& view, const File& file, int kind);
    void clearViewCache();

private:
    static QString keyOf(const File& file);

    // Indexed by kind.
    std::vector<QHash<QString, std::shared_ptr<ZVFileView>>> cachedViews_;
};
